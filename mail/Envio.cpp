#include "mail/Envio.h"

#include "mail/Bitacora.h"
#include "mail/ErroresCorreo.h"

#include <QFile>
#include <QFileInfo>
#include <thread>

namespace correo {

namespace {

DatosMensaje Datos(const EstadoPorEnviar& e, const OpcionesEnvio& o) {
    return {e.clave, e.nombre, o.periodo, e.saldo, o.fecha};
}

// The one result a customer's turn ends with.
struct Final {
    QString resultado;
    QString respuesta;
};

QString Malas(const CorreosCliente& c) {
    return QStringLiteral("dirección mal formada: %1").arg(c.malas.join(QStringLiteral("; ")));
}

Final SinDireccion(const CorreosCliente& c) {
    if (c.nunca)
        return {resultados::SinCorreo, QStringLiteral("No recibe correo (Correos.csv)")};
    if (!c.malas.isEmpty())
        return {resultados::SinCorreo, Malas(c)};
    return {resultados::SinCorreo, QStringLiteral("Sin dirección de correo")};
}

// Sends one message, trying again after a 4xx or a dropped connection.
Respuesta ConReintentos(SesionSmtp& sesion, const Mensaje& m, const QByteArray& adjunto,
                        const OpcionesEnvio& o) {
    Respuesta r;
    for (int intento = 0;; ++intento) {
        r = sesion.Envia(m, adjunto);
        const bool otraVez =
            r.desenlace == Desenlace::Temporal || r.desenlace == Desenlace::Conexion;
        if (!otraVez || intento >= o.reintentos)
            return r;
        std::this_thread::sleep_for(o.pausa);
    }
}

} // namespace

Mensaje MensajeDe(const AjustesCorreo& a, const EstadoPorEnviar& e, const OpcionesEnvio& o) {
    return ArmaMensaje(a, Datos(e, o), e.correos.validas, e.archivo);
}

Resumen EnviaEstados(const AjustesCorreo& a, const QString& contrasena,
                     const std::vector<EstadoPorEnviar>& estados, const QString& carpetaEstados,
                     const OpcionesEnvio& o, const AvanceEnvio& avance) {
    SesionSmtp sesion(a, contrasena);
    const Bitacora bitacora(carpetaEstados);
    const std::vector<Asiento> antes = bitacora.Lee();
    bitacora.Abre();
    const QSet<QString> yaEnviados = EnviadosDelPeriodo(antes, o.periodo);
    const QSet<QString> fallidos = FallidosDeLaUltima(antes);

    Resumen resumen;
    std::vector<const EstadoPorEnviar*> turno;
    QSet<QString> vistos;
    for (const EstadoPorEnviar& e : estados) {
        if ((o.soloFallidos && !fallidos.contains(e.clave)) || vistos.contains(e.clave))
            continue;
        vistos.insert(e.clave);
        if (!o.reenviar && yaEnviados.contains(e.clave))
            ++resumen.yaEnviados;
        else
            turno.push_back(&e);
    }

    const QString corrida =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    QString sinIntentar; // why the rest is not tried, once the run stops
    for (std::size_t i = 0; i < turno.size(); ++i) {
        const EstadoPorEnviar& e = *turno[i];
        Asiento asiento{QDateTime(),
                        corrida,
                        e.clave,
                        e.nombre,
                        e.correos.validas.join(QLatin1Char(';')),
                        QFileInfo(e.archivo).fileName(),
                        o.periodo,
                        {},
                        {}};
        Final final;
        QFile archivo(e.archivo);
        if (!sinIntentar.isEmpty()) {
            final = {resultados::NoEnviado, sinIntentar};
            ++resumen.sinIntentar;
        } else if (!e.correos.Tiene()) {
            final = SinDireccion(e.correos);
            ++resumen.sinCorreo;
        } else if (!archivo.open(QIODevice::ReadOnly)) {
            final = {resultados::NoEnviado,
                     QStringLiteral("No se pudo leer el estado: %1").arg(archivo.errorString())};
            ++resumen.fallidos;
        } else {
            const Respuesta r = ConReintentos(sesion, MensajeDe(a, e, o), archivo.readAll(), o);
            switch (r.desenlace) {
            case Desenlace::Aceptado:
                final = {resultados::Enviado, r.texto};
                if (!e.correos.malas.isEmpty())
                    final.respuesta += QStringLiteral("; no se envió a la ") + Malas(e.correos);
                ++resumen.enviados;
                break;
            case Desenlace::Permanente:
                final = {resultados::Rechazado, r.texto};
                ++resumen.fallidos;
                break;
            case Desenlace::Temporal:
                final = {resultados::NoEnviado, r.texto};
                ++resumen.fallidos;
                break;
            case Desenlace::Conexion:
            case Desenlace::Fatal:
                final = {resultados::NoEnviado, r.texto};
                ++resumen.fallidos;
                resumen.falla = r.texto;
                sinIntentar = r.texto;
                break;
            }
        }
        asiento.cuando = QDateTime::currentDateTime();
        asiento.resultado = final.resultado;
        asiento.respuesta = final.respuesta;
        bitacora.Anota(asiento);
        const bool sigue = !avance || avance(asiento, i + 1, turno.size());
        if (sinIntentar.isEmpty() && !sigue) {
            resumen.cancelado = true;
            sinIntentar = QStringLiteral("Cancelado por el usuario");
        }
    }
    return resumen;
}

Respuesta EnviaPrueba(const AjustesCorreo& a, const QString& contrasena, const EstadoPorEnviar& e,
                      const OpcionesEnvio& o) {
    Mensaje m = ArmaMensaje(a, Datos(e, o), {a.direccionRemitente}, e.archivo);
    m.sobre.clear();
    m.asunto = QStringLiteral("[Prueba] ") + m.asunto;
    QFile archivo(e.archivo);
    if (!archivo.open(QIODevice::ReadOnly))
        throw motor::ErrorMotor(
            errores::Estado,
            QStringLiteral("No se pudo leer %1: %2").arg(e.archivo, archivo.errorString()));
    SesionSmtp sesion(a, contrasena);
    return sesion.Envia(m, archivo.readAll());
}

} // namespace correo
