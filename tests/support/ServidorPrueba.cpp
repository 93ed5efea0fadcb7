#include "tests/support/ServidorPrueba.h"

#include "host/Recordset.h"
#include "tests/support/EntornoPrueba.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <atomic>
#include <stdexcept>

namespace prueba {

DatosServidor LeeDatosServidor(const QString& archivo) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("no private test server: cannot read " + archivo.toStdString() +
                                 " (run the tests through ctest, which starts it)");
    DatosServidor datos;
    for (const QByteArray& linea : f.readAll().split('\n')) {
        const int igual = linea.indexOf('=');
        if (igual < 0)
            continue;
        const QString nombre = QString::fromUtf8(linea.left(igual));
        const QString valor = QString::fromUtf8(linea.mid(igual + 1));
        if (nombre == "SERVIDOR")
            datos.servidor = valor;
        else if (nombre == "PUERTO")
            datos.puerto = valor.toUInt();
        else if (nombre == "USUARIO")
            datos.usuario = valor;
        else if (nombre == "PASSWORD")
            datos.password = valor;
        else if (nombre == "SOCKET")
            datos.socket = valor;
    }
    if (datos.puerto == 0 || datos.usuario.isEmpty())
        throw std::runtime_error("incomplete server file " + archivo.toStdString());
    return datos;
}

const DatosServidor& Servidor() {
    static const DatosServidor datos = [] {
        const QByteArray archivo = qgetenv("QUILTARO_SERVIDOR");
        if (archivo.isEmpty())
            throw std::runtime_error("QUILTARO_SERVIDOR is not set: no private test server");
        return LeeDatosServidor(QString::fromLocal8Bit(archivo));
    }();
    return datos;
}

qm::ParametrosConexion Parametros(const DatosServidor& datos, const QString& base) {
    qm::ParametrosConexion p;
    p.servidor = datos.servidor;
    p.puerto = datos.puerto;
    p.usuario = datos.usuario;
    p.password = datos.password;
    p.base = base;
    p.segundosEspera = 5;
    return p;
}

qm::Conexion Conecta(const QString& base) {
    return Conecta(Servidor(), base);
}

qm::Conexion Conecta(const DatosServidor& datos, const QString& base) {
    return qm::Conexion::Abre(Parametros(datos, base));
}

BaseTemporal::BaseTemporal(const QString& prefijo, const DatosServidor& datos)
    : BaseTemporal(prefijo, "utf8mb4", "utf8mb4_general_ci", datos) {}

BaseTemporal::BaseTemporal(const QString& prefijo, const QString& conjunto, const QString& colacion,
                           const DatosServidor& datos)
    : datos_(datos) {
    static std::atomic<int> contador{0};
    nombre_ = QStringLiteral("t_%1_%2_%3")
                  .arg(prefijo)
                  .arg(QCoreApplication::applicationPid())
                  .arg(contador++);
    qm::Conexion cn = Conecta(datos_);
    cn.Execute("DROP DATABASE IF EXISTS `" + nombre_ + "`");
    cn.Execute("CREATE DATABASE `" + nombre_ + "` CHARACTER SET " + conjunto + " COLLATE " +
               colacion);
}

BaseTemporal::~BaseTemporal() {
    try {
        qm::Conexion cn = Conecta(datos_);
        cn.Execute("DROP DATABASE IF EXISTS `" + nombre_ + "`");
    } catch (...) {
        // A test that stopped the server leaves its database behind; the next run's folder is new.
    }
}

ServidorPropio::ServidorPropio() : dir_(QDir::tempPath() + "/quiltaro-servidor-XXXXXX") {
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for a private server");
    Arranca();
}

ServidorPropio::~ServidorPropio() {
    try {
        Detiene();
    } catch (...) {
    }
}

void ServidorPropio::Detiene() {
    Ejecuta(QStringLiteral(QUILTARO_SCRIPTS_DIR "/mariadb.sh"), {"stop", dir_.path()});
}

void ServidorPropio::Arranca() {
    // A restart keeps the port, as a real server does, so open sessions can find it again.
    QStringList argumentos{"start", dir_.path()};
    if (datos_.puerto != 0)
        argumentos << "--puerto" << QString::number(datos_.puerto);
    Ejecuta(QStringLiteral(QUILTARO_SCRIPTS_DIR "/mariadb.sh"), argumentos);
    datos_ = LeeDatosServidor(dir_.path() + "/server.env");
}

QStringList ColumnasDe(const QString& base, const QString& tabla) {
    qm::Recordset rs = Conecta().Consulta(
        QStringLiteral("SELECT COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS WHERE "
                       "TABLE_SCHEMA='%1' AND TABLE_NAME='%2' ORDER BY ORDINAL_POSITION")
            .arg(base, tabla));
    QStringList columnas;
    for (; !rs.Eof(); rs.MoveNext())
        columnas << rs.Valor(0).toString() + QLatin1Char(' ') + rs.Valor(1).toString();
    return columnas;
}

} // namespace prueba
