#include "mail/Mensaje.h"

#include "reportengine/EstadosCuenta.h"
#include "reportengine/Formatos.h"

#include <QFileInfo>

namespace correo {

QString Periodo(const QDate& desde, const QDate& hasta) {
    const QString formato = QStringLiteral("dd/MM/yyyy");
    return desde.toString(formato) + QStringLiteral(" al ") + hasta.toString(formato);
}

QString Rellena(const QString& plantilla, const DatosMensaje& d) {
    const std::pair<QString, QString> campos[] = {
        {QStringLiteral("{clave}"), d.clave},
        {QStringLiteral("{nombre}"), d.nombre},
        {QStringLiteral("{periodo}"), d.periodo},
        {QStringLiteral("{saldo}"), motor::FormateaImporte(d.saldo)},
        {QStringLiteral("{fecha}"), d.fecha.toString(QStringLiteral("dd/MM/yyyy"))},
    };
    // One pass, so that a customer's name holding "{saldo}" stays as written.
    QString r;
    for (qsizetype i = 0; i < plantilla.size();) {
        bool hallado = false;
        for (const auto& [campo, valor] : campos) {
            if (QStringView(plantilla).mid(i).startsWith(campo)) {
                r += valor;
                i += campo.size();
                hallado = true;
                break;
            }
        }
        if (!hallado)
            r += plantilla[i++];
    }
    return r;
}

Mensaje ArmaMensaje(const AjustesCorreo& a, const DatosMensaje& d, const QStringList& para,
                    const QString& archivo) {
    Mensaje m;
    m.nombreRemitente = a.nombreRemitente;
    m.remitente = a.direccionRemitente;
    m.responderA = a.responderA;
    m.para = para;
    if (!a.copiaArchivo.isEmpty())
        m.sobre << a.copiaArchivo;
    m.asunto = Rellena(a.asunto, d);
    m.cuerpo = Rellena(a.cuerpo, d);
    if (!a.firma.isEmpty()) {
        if (!m.cuerpo.isEmpty() && !m.cuerpo.endsWith(QLatin1Char('\n')))
            m.cuerpo += QLatin1Char('\n');
        // The mail readers' own signature line: they show what follows as the signature.
        m.cuerpo += QStringLiteral("\n-- \n") + a.firma + QLatin1Char('\n');
    }
    m.archivo = archivo;
    const QString nombre = motor::NombreSeguro(Rellena(a.nombreAdjunto, d));
    m.nombreAdjunto = nombre.isEmpty() ? QFileInfo(archivo).fileName() : nombre;
    return m;
}

} // namespace correo
