#include "mail/Direcciones.h"

#include "mail/Csv.h"
#include "mail/ErroresCorreo.h"

#include <QFile>
#include <QRegularExpression>

namespace correo {

bool EsDireccionValida(const QString& direccion) {
    // Dot-atoms only (no quoted local parts, no address literals): what shops type, and
    // nothing that could end a header or the SMTP command it goes in.
    static const QRegularExpression forma(
        QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*"
                       "@([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?\\.)+[A-Za-z]{2,63}$"));
    return direccion.size() <= 254 && forma.match(direccion).hasMatch();
}

QStringList SeparaDirecciones(const QString& texto) {
    static const QRegularExpression separador(QStringLiteral("[;,]"));
    QStringList direcciones;
    for (const QString& parte : texto.split(separador)) {
        const QString d = parte.trimmed();
        if (!d.isEmpty())
            direcciones << d;
    }
    return direcciones;
}

QString ArchivoCorreos(const QString& carpetaAjustes) {
    return carpetaAjustes + QStringLiteral("/Correos.csv");
}

QHash<QString, CorreosDelArchivo> LeeCorreos(const QString& archivo) {
    QHash<QString, CorreosDelArchivo> correos;
    QFile f(archivo);
    if (!f.exists())
        return correos;
    if (!f.open(QIODevice::ReadOnly))
        throw motor::ErrorMotor(errores::ArchivoAjustes,
                                QStringLiteral("No se pudo leer %1").arg(archivo));
    for (QStringList campos : LeeCsv(f.readAll())) {
        const QString clave = campos.value(0).trimmed();
        if (clave.isEmpty() || clave.compare(QStringLiteral("Clave"), Qt::CaseInsensitive) == 0 ||
            clave.compare(QStringLiteral("Cliente"), Qt::CaseInsensitive) == 0)
            continue;
        campos.removeFirst();
        CorreosDelArchivo fila;
        // Saved with semicolons, the addresses come as fields of their own: the last field
        // says "no" or is one more address.
        if (campos.size() >= 2 &&
            campos.back().trimmed().compare(QStringLiteral("no"), Qt::CaseInsensitive) == 0) {
            fila.nunca = true;
            campos.removeLast();
        }
        fila.direcciones = campos.join(QLatin1Char(';'));
        correos.insert(clave, fila);
    }
    return correos;
}

CorreosCliente DireccionesDe(const QString& delaTabla, const CorreosDelArchivo* delArchivo) {
    CorreosCliente c;
    c.nunca = delArchivo && delArchivo->nunca;
    const bool propias = delArchivo && !SeparaDirecciones(delArchivo->direcciones).isEmpty();
    for (const QString& d : SeparaDirecciones(propias ? delArchivo->direcciones : delaTabla)) {
        QStringList& lista = EsDireccionValida(d) ? c.validas : c.malas;
        if (!lista.contains(d, Qt::CaseInsensitive))
            lista << d;
    }
    return c;
}

} // namespace correo
