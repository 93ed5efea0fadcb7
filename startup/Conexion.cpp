#include "startup/Conexion.h"

#include "host/Conexion.h"
#include "host/ErrorMysql.h"
#include "host/Ini.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Tablas.h"
#include "startup/Claves.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace inicio {

namespace {

using namespace qm::mysql;

bool Rechazado(const qm::Error& e) {
    return UsuarioRechazado(e.numero());
}

// A file that can be written, or created in its folder.
bool SePuedeEscribir(const QString& archivo) {
    const QFileInfo info(archivo);
    if (info.exists())
        return info.isFile() && info.isWritable();
    const QFileInfo carpeta(info.absolutePath());
    return carpeta.isDir() && carpeta.isWritable();
}

QString Seccion() {
    return QString::fromUtf16(claves::SeccionIni);
}

qm::BasesDD Registro(const DatosConexion& datos) {
    qm::BasesDD b;
    b.cRuta = datos.servidor.trimmed();
    b.cPuerto = datos.puerto;
    b.cUsuario = datos.usuario;
    b.cPassword = datos.password;
    b.cMiBase = datos.base;
    return b;
}

} // namespace

QString ArchivoIniUsuario() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quiltaro/") + QString::fromUtf16(claves::ArchivoIni);
}

QString ArchivoIni(const QString& carpetaEjecutable) {
    const QString propio = ArchivoIniUsuario();
    if (QFileInfo(propio).isFile())
        return propio;
    return carpetaEjecutable + QLatin1Char('/') + QString::fromUtf16(claves::ArchivoIni);
}

QString CarpetaHostPropia() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quiltaro/Trevanto");
}

bool HayTrevantoIni(const QString& carpeta) {
    return !qm::DelRegistro().BuscarRegistroTVW(carpeta).isEmpty();
}

DatosConexion LeeConexion(const QString& carpetaEjecutable, const qm::Utilerias& Utilerias) {
    using namespace claves;
    const QString archivoIni = inicio::ArchivoIni(carpetaEjecutable);
    DatosConexion d;
    d.carpetaHost = qm::ini::Lee(archivoIni, Seccion(), RutaTrevanto.Nombre());
    if (d.carpetaHost.isEmpty())
        d.carpetaHost = carpetaEjecutable;
    if (!HayTrevantoIni(d.carpetaHost) && !SePuedeEscribir(d.carpetaHost + "/Trevanto.ini"))
        d.carpetaHost = CarpetaHostPropia();
    d.base = qm::ini::Lee(archivoIni, Seccion(), BaseDeDatos.Nombre());
    if (d.base.isEmpty())
        d.base = BaseDeDatos.PorDefecto();
    d.usuario = MySQLUsuario.PorDefecto();
    qm::DelRegistro registro;
    if (!registro.BuscarRegistroTVW(d.carpetaHost).isEmpty()) {
        d.servidor = registro.DatosTVW(MySQLServer.Nombre()).trimmed();
        if (d.servidor.isEmpty())
            d.servidor = registro.DatosTVW(Servidor.Nombre()).trimmed();
        const unsigned puerto = registro.DatosTVW(MySQLPuerto.Nombre()).trimmed().toUInt();
        if (puerto != 0)
            d.puerto = puerto;
        const QString usuario = registro.DatosTVW(MySQLUsuario.Nombre());
        if (!usuario.trimmed().isEmpty())
            d.usuario = Utilerias.DesEncripta(usuario);
        const QString password = registro.DatosTVW(MySQLPassword.Nombre());
        if (!password.trimmed().isEmpty())
            d.password = Utilerias.DesEncripta(password);
    }
    return d;
}

QString PruebaConexion(const DatosConexion& datos) {
    const qm::BasesDD b = Registro(datos);
    const qm::ParametrosConexion p = b.Parametros(QString());
    const QString servidor = qm::ServidorDosPuntos(p.servidor, p.puerto);
    qm::Conexion cn;
    try {
        b.AbrirBdD(cn, QString());
    } catch (const qm::Error& e) {
        if (qm::ServidorInalcanzable(e))
            return QStringLiteral("No se llega al servidor %1: revise el servidor y el puerto, y "
                                  "que el servidor esté en marcha y acepte conexiones por red.\n%2")
                .arg(servidor, e.texto());
        if (Rechazado(e))
            return QStringLiteral("El servidor %1 rechazó el usuario \"%2\" o su contraseña.\n%3")
                .arg(servidor, datos.usuario, e.texto());
        return e.texto();
    }
    try {
        b.AbrirBdD(cn, datos.base);
    } catch (const qm::Error& e) {
        if (e.numero() == BaseDesconocida || e.numero() == AccesoBaseNegado)
            return QStringLiteral("La base de datos \"%1\" no existe en el servidor %2 (o el "
                                  "usuario \"%3\" no tiene ningún derecho en ella).\n%4")
                .arg(datos.base, servidor, datos.usuario, e.texto());
        return e.texto();
    }
    for (const QString& tabla : movimientos::TablasHost()) {
        try {
            cn.Execute(QStringLiteral("SELECT 1 FROM `%1` LIMIT 0").arg(tabla));
        } catch (const qm::Error& e) {
            if (e.numero() == TablaNegada)
                return QStringLiteral("Al usuario \"%1\" le falta el derecho SELECT sobre la "
                                      "tabla %2.%3.\n%4")
                    .arg(datos.usuario, datos.base, tabla, e.texto());
            if (e.numero() == TablaDesconocida)
                return QStringLiteral("La base de datos \"%1\" no tiene la tabla %2: ¿es la base "
                                      "de datos de Trevanto Premium?\n%3")
                    .arg(datos.base, tabla, e.texto());
            return e.texto();
        }
    }
    try {
        cn.Execute(QStringLiteral("CREATE TEMPORARY TABLE quiltaro_prueba_conexion (a int)"));
        cn.Execute(QStringLiteral("DROP TEMPORARY TABLE quiltaro_prueba_conexion"));
    } catch (const qm::Error& e) {
        if (e.numero() == AccesoBaseNegado)
            return QStringLiteral("Al usuario \"%1\" le falta el derecho CREATE TEMPORARY TABLES "
                                  "sobre la base de datos %2.\n%3")
                .arg(datos.usuario, datos.base, e.texto());
        return e.texto();
    }
    qm::Conexion cnReportes;
    try {
        b.AbrirBdD(cnReportes, movimientos::BaseReportes());
    } catch (const qm::Error& e) {
        // A missing one is created at start when the user may.
        if (e.numero() == AccesoBaseNegado)
            return QStringLiteral("El usuario \"%1\" no tiene derechos en la base de datos de "
                                  "reportes %2 (GRANT CREATE ON %2.%3).\n%4")
                .arg(datos.usuario, movimientos::BaseReportes(), movimientos::TablaRavesta(),
                     e.texto());
        if (e.numero() != BaseDesconocida)
            return e.texto();
    }
    return QString();
}

qm::BasesDD GuardaConexion(const DatosConexion& datos, const QString& carpetaEjecutable,
                           qm::DelRegistro& DelRegistro, const qm::Utilerias& Utilerias) {
    using namespace claves;
    QString archivoIni = inicio::ArchivoIni(carpetaEjecutable);
    // The package's INI beside the program is a link to the configuration file in /etc: the
    // file is written, never replaced by a copy of its own.
    if (const QFileInfo enlace(archivoIni); enlace.isSymLink())
        archivoIni = enlace.symLinkTarget();
    if (!SePuedeEscribir(archivoIni))
        archivoIni = ArchivoIniUsuario();
    for (const QString& carpeta : {QFileInfo(archivoIni).absolutePath(), datos.carpetaHost})
        if (!QDir().mkpath(carpeta))
            throw qm::Error(qm::errores::AccesoArchivo,
                            QStringLiteral("No se puede crear la carpeta %1").arg(carpeta));
    qm::ini::Escribe(archivoIni, Seccion(), RutaTrevanto.Nombre(), datos.carpetaHost);
    qm::ini::Escribe(archivoIni, Seccion(), BaseDeDatos.Nombre(), datos.base);

    if (DelRegistro.BuscarRegistroTVW(datos.carpetaHost).isEmpty()) {
        const QString nuevo = QDir(datos.carpetaHost).filePath(QStringLiteral("Trevanto.ini"));
        // It will hold the encoded password: its user's alone from the moment it exists. The
        // writes after it keep the mode, as they keep a host's own file's.
        QFile archivo(nuevo);
        if (!archivo.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            DelRegistro.BuscarRegistroTVW(datos.carpetaHost).isEmpty())
            throw qm::Error(qm::errores::AccesoArchivo,
                            QStringLiteral("No se puede crear el archivo %1").arg(nuevo));
    }
    DelRegistro.GuardaDatosTVW(MySQLServer.Nombre(), datos.servidor.trimmed());
    DelRegistro.GuardaDatosTVW(MySQLPuerto.Nombre(), QString::number(datos.puerto));
    DelRegistro.GuardaDatosTVW(MySQLUsuario.Nombre(), Utilerias.Encripta(datos.usuario));
    DelRegistro.GuardaDatosTVW(MySQLPassword.Nombre(), Utilerias.Encripta(datos.password));
    return Registro(datos);
}

bool EsDeAjustes(const qm::Error& error) {
    switch (error.numero()) {
    case BaseDesconocida:
    case AccesoBaseNegado:
    case qm::errores::AccesoArchivo:
    case qm::errores::ArchivoNoEncontrado:
        return true;
    default:
        return qm::ServidorInalcanzable(error) || Rechazado(error);
    }
}

} // namespace inicio
