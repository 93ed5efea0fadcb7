#include "app/EnvioSinVentana.h"

#include "app/EstadosSinVentana.h"
#include "app/MensajesConsola.h"
#include "mail/Contrasena.h"
#include "mail/Envio.h"
#include "mail/Mensaje.h"
#include "mail/clientes/CorreosClientes.h"

#include <QFileInfo>
#include <QSet>

namespace {

QString Renglon(const QStringList& campos) {
    return campos.join(QLatin1Char('\t'));
}

// What a customer's line says after its result: where it went, or why not.
QString Detalle(const correo::Asiento& a) {
    if (a.resultado == correo::resultados::Enviado || a.respuesta.isEmpty())
        return a.direccion;
    return a.direccion.isEmpty() ? a.respuesta : a.direccion + QStringLiteral(": ") + a.respuesta;
}

} // namespace

std::optional<CorreoSinVentana> PreparaCorreo(QString& error) {
    const QString carpeta = correo::CarpetaAjustesUsuario();
    const QString archivo = correo::ArchivoAjustes(carpeta);
    if (!QFileInfo::exists(archivo)) {
        error = QStringLiteral("No hay correo saliente configurado (%1): configúrelo en "
                               "«Enviar por correo…» de la vista previa.")
                    .arg(archivo);
        return std::nullopt;
    }
    CorreoSinVentana c{correo::LeeAjustes(carpeta), {}};
    const QString falta = correo::RevisaAjustes(c.ajustes);
    if (!falta.isEmpty()) {
        error = QStringLiteral("Correo saliente (%1): %2").arg(archivo, falta);
        return std::nullopt;
    }
    try {
        c.contrasena = correo::LeeContrasena(carpeta);
    } catch (const comun::Error& e) {
        error = e.texto();
        return std::nullopt;
    }
    if (!c.ajustes.usuario.isEmpty() && c.contrasena.isEmpty()) {
        error = QStringLiteral("Falta la contraseña del correo de %1 (%2).")
                    .arg(c.ajustes.usuario, correo::ArchivoContrasena(carpeta));
        return std::nullopt;
    }
    return c;
}

int EnviaSinVentana(const CorreoSinVentana& c,
                    const std::vector<correo::ClienteDelReporte>& clientes, qm::Conexion& cn,
                    const QString& archivoIni, const qm::libQMCM& libQMCM,
                    const OpcionesEstados& o) {
    correo::OpcionesEnvio envio;
    envio.periodo = correo::Periodo(o.desde, o.hasta);
    QSet<QString> contados;
    correo::Resumen r;
    try {
        QStringList claves;
        for (const correo::ClienteDelReporte& cliente : clientes)
            claves << cliente.clave;
        const QString columna = libQMCM.LeeIni(QStringLiteral("Configuración"),
                                               QStringLiteral("Columna de correo"), archivoIni);
        const auto correos =
            correo::CorreosDelReporte(cn, columna, correo::CarpetaAjustesUsuario(), claves);
        const auto avance = [&](const correo::Asiento& a, std::size_t, std::size_t) {
            contados.insert(a.clave);
            EscribeLinea(Renglon({a.clave, a.nombre, a.resultado, Detalle(a)}));
            return true;
        };
        r = correo::EnviaEstados(c.ajustes, c.contrasena,
                                 correo::EstadosPorEnviar(clientes, o.carpeta, correos), o.carpeta,
                                 envio, avance);
    } catch (...) {
        EscribeError(QStringLiteral("Quiltaro: ") + comun::ErrorEnCurso().texto());
        return salida::NoCorrio;
    }
    // Those left out: their statement of the period had gone in an earlier run.
    for (const correo::ClienteDelReporte& cliente : clientes)
        if (!contados.contains(cliente.clave)) {
            contados.insert(cliente.clave);
            EscribeLinea(Renglon({cliente.clave, cliente.nombre, QStringLiteral("ya enviado"),
                                  QStringLiteral("enviado antes en el periodo ") + envio.periodo}));
        }
    EscribeLinea(QStringLiteral("Enviados: %1. Fallidos: %2. Sin correo: %3. Ya enviados antes: "
                                "%4. Sin intentar: %5. Registro: %6")
                     .arg(r.enviados)
                     .arg(r.fallidos)
                     .arg(r.sinCorreo)
                     .arg(r.yaEnviados)
                     .arg(r.sinIntentar)
                     .arg(correo::Bitacora(o.carpeta).archivo()));
    if (!r.falla.isEmpty())
        EscribeError(QStringLiteral("El envío se detuvo: ") + r.falla);
    if (!r.falla.isEmpty() && r.enviados == 0)
        return salida::NoCorrio;
    return r.fallidos + r.sinIntentar > 0 ? salida::Fallidos : salida::Hecho;
}
