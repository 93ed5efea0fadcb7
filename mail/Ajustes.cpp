#include "mail/Ajustes.h"

#include "mail/Direcciones.h"
#include "mail/ErroresCorreo.h"
#include "reportengine/Membrete.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace correo {

namespace {

const QString kServidor = QStringLiteral("CorreoSaliente/Servidor");
const QString kPuerto = QStringLiteral("CorreoSaliente/Puerto");
const QString kSeguridad = QStringLiteral("CorreoSaliente/Seguridad");
const QString kUsuario = QStringLiteral("CorreoSaliente/Usuario");
const QString kNombre = QStringLiteral("CorreoSaliente/NombreRemitente");
const QString kDireccion = QStringLiteral("CorreoSaliente/DireccionRemitente");
const QString kResponder = QStringLiteral("CorreoSaliente/ResponderA");
const QString kCopia = QStringLiteral("CorreoSaliente/CopiaArchivo");
const QString kCertificado = QStringLiteral("CorreoSaliente/ArchivoCertificado");
const QString kConexion = QStringLiteral("CorreoSaliente/SegundosConexion");
const QString kRespuesta = QStringLiteral("CorreoSaliente/SegundosRespuesta");
const QString kAsunto = QStringLiteral("Mensaje/Asunto");
const QString kCuerpo = QStringLiteral("Mensaje/Cuerpo");
const QString kAdjunto = QStringLiteral("Mensaje/NombreAdjunto");

QString TextoSeguridad(Seguridad s) {
    switch (s) {
    case Seguridad::Tls:
        return QStringLiteral("TLS");
    case Seguridad::SinCifrar:
        return QStringLiteral("Ninguna");
    case Seguridad::StartTls:
        break;
    }
    return QStringLiteral("STARTTLS");
}

Seguridad SeguridadDe(const QString& texto) {
    if (texto.compare(QStringLiteral("TLS"), Qt::CaseInsensitive) == 0)
        return Seguridad::Tls;
    if (texto.compare(QStringLiteral("Ninguna"), Qt::CaseInsensitive) == 0)
        return Seguridad::SinCifrar;
    return Seguridad::StartTls;
}

} // namespace

AjustesCorreo AjustesPorOmision() {
    AjustesCorreo a;
    a.asunto = QStringLiteral("Estado de cuenta del {periodo} - {nombre}");
    a.cuerpo =
        QStringLiteral("Estimado cliente {nombre} ({clave}):\n"
                       "\n"
                       "Le enviamos adjunto su estado de cuenta del periodo {periodo}.\n"
                       "Su saldo al cierre es de ${saldo}.\n"
                       "\n"
                       "Si tiene alguna duda sobre sus movimientos, responda a este correo.\n"
                       "\n"
                       "Atentamente,\n"
                       "\n"
                       "Enviado el {fecha}.\n");
    a.nombreAdjunto = QStringLiteral("Estado de cuenta {clave} - {nombre}.pdf");
    return a;
}

QString CarpetaAjustesUsuario() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quiltaro");
}

QString ArchivoAjustes(const QString& carpeta) {
    return carpeta + QStringLiteral("/Correo.ini");
}

AjustesCorreo LeeAjustes(const QString& carpeta) {
    const AjustesCorreo d = AjustesPorOmision();
    const QSettings s(ArchivoAjustes(carpeta), QSettings::IniFormat);
    AjustesCorreo a;
    a.servidor = s.value(kServidor, d.servidor).toString().trimmed();
    a.puerto = s.value(kPuerto, d.puerto).toUInt();
    a.seguridad = SeguridadDe(s.value(kSeguridad).toString());
    a.usuario = s.value(kUsuario, d.usuario).toString();
    a.nombreRemitente = s.value(kNombre, d.nombreRemitente).toString();
    a.direccionRemitente = s.value(kDireccion, d.direccionRemitente).toString().trimmed();
    a.responderA = s.value(kResponder, d.responderA).toString().trimmed();
    a.copiaArchivo = s.value(kCopia, d.copiaArchivo).toString().trimmed();
    a.archivoCertificado = s.value(kCertificado, d.archivoCertificado).toString();
    a.segundosConexion = s.value(kConexion, d.segundosConexion).toInt();
    a.segundosRespuesta = s.value(kRespuesta, d.segundosRespuesta).toInt();
    a.asunto = s.value(kAsunto, d.asunto).toString();
    a.cuerpo = s.value(kCuerpo, d.cuerpo).toString();
    a.nombreAdjunto = s.value(kAdjunto, d.nombreAdjunto).toString();
    a.firma = motor::LeeMembrete(carpeta).Lineas().join(QLatin1Char('\n'));
    return a;
}

void GuardaAjustes(const AjustesCorreo& a, const QString& carpeta) {
    const QString archivo = ArchivoAjustes(carpeta);
    if (!QDir().mkpath(carpeta))
        throw motor::ErrorMotor(errores::ArchivoAjustes,
                                QStringLiteral("No se pudo crear la carpeta %1").arg(carpeta));
    QSettings s(archivo, QSettings::IniFormat);
    s.setValue(kServidor, a.servidor);
    s.setValue(kPuerto, a.puerto);
    s.setValue(kSeguridad, TextoSeguridad(a.seguridad));
    s.setValue(kUsuario, a.usuario);
    s.setValue(kNombre, a.nombreRemitente);
    s.setValue(kDireccion, a.direccionRemitente);
    s.setValue(kResponder, a.responderA);
    s.setValue(kCopia, a.copiaArchivo);
    s.setValue(kCertificado, a.archivoCertificado);
    s.setValue(kConexion, a.segundosConexion);
    s.setValue(kRespuesta, a.segundosRespuesta);
    s.setValue(kAsunto, a.asunto);
    s.setValue(kCuerpo, a.cuerpo);
    s.setValue(kAdjunto, a.nombreAdjunto);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw motor::ErrorMotor(errores::ArchivoAjustes,
                                QStringLiteral("No se pudo escribir %1").arg(archivo));
}

bool EsServidorLocal(const QString& servidor) {
    const QString s = servidor.trimmed().toLower();
    if (s == QStringLiteral("localhost") || s == QStringLiteral("::1") ||
        s == QStringLiteral("[::1]"))
        return true;
    const QStringList partes = s.split(QLatin1Char('.'));
    if (partes.size() != 4 || partes[0] != QStringLiteral("127"))
        return false;
    for (const QString& p : partes) {
        bool ok = false;
        if (p.toUInt(&ok) > 255 || !ok)
            return false;
    }
    return true;
}

QString RevisaAjustes(const AjustesCorreo& a) {
    if (a.servidor.isEmpty())
        return QStringLiteral("Falta el servidor de correo saliente.");
    static const QRegularExpression nombre(
        QStringLiteral("^([A-Za-z0-9.-]+|\\[?[0-9A-Fa-f:.]+\\]?)$"));
    if (!nombre.match(a.servidor).hasMatch())
        return QStringLiteral("El nombre del servidor \"%1\" no es válido.").arg(a.servidor);
    if (a.puerto == 0 || a.puerto > 65535)
        return QStringLiteral("El puerto %1 no es válido.").arg(a.puerto);
    if (a.seguridad == Seguridad::SinCifrar && !EsServidorLocal(a.servidor))
        return QStringLiteral("Sólo se permite enviar sin cifrar a un servidor en este mismo "
                              "equipo; %1 no lo es: elija STARTTLS o TLS.")
            .arg(a.servidor);
    if (!EsDireccionValida(a.direccionRemitente))
        return QStringLiteral("La dirección del remitente \"%1\" no es válida.")
            .arg(a.direccionRemitente);
    if (!a.responderA.isEmpty() && !EsDireccionValida(a.responderA))
        return QStringLiteral("La dirección para respuestas \"%1\" no es válida.")
            .arg(a.responderA);
    if (!a.copiaArchivo.isEmpty() && !EsDireccionValida(a.copiaArchivo))
        return QStringLiteral("La dirección de la copia de archivo \"%1\" no es válida.")
            .arg(a.copiaArchivo);
    if (!a.archivoCertificado.isEmpty() && !QFileInfo(a.archivoCertificado).isReadable())
        return QStringLiteral("No se puede leer el archivo de certificado %1.")
            .arg(a.archivoCertificado);
    if (a.segundosConexion <= 0 || a.segundosRespuesta <= 0)
        return QStringLiteral("Los tiempos de espera deben ser de al menos un segundo.");
    return {};
}

} // namespace correo
