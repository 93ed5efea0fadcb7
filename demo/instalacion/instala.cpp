// Lays out a demo host installation: the program and its template, Quiltaro.ini, the host's
// Trevanto.ini with the server and encoded credentials, and the two user ODBC data sources
// registered with the MariaDB driver (the installer's part: the program only overwrites
// their values before each report).
#include "host/DelRegistro.h"
#include "host/Error.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <odbcinst.h>

namespace {

struct Opciones {
    QString carpeta, programa, plantilla, servidor, puerto, usuario, password, base, driver;
};

Opciones LeeOpciones(const QCoreApplication& aplicacion) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Lays out a demo installation of Quiltaro");
    parser.addHelpOption();
    const QList<QCommandLineOption> opciones = {
        {"carpeta", "installation folder", "dir"},
        {"programa", "the quiltaro executable", "file"},
        {"plantilla", "quiltaro.rpt", "file"},
        {"servidor", "MySQL server", "host", "127.0.0.1"},
        {"puerto", "MySQL port", "port", "3306"},
        {"usuario", "MySQL user", "user", "root"},
        {"password", "MySQL password", "password", ""},
        {"base", "host database", "name", "datos1"},
        {"driver", "ODBC driver", "name", "MariaDB Unicode"},
    };
    parser.addOptions(opciones);
    parser.process(aplicacion);
    for (const char* requerida : {"carpeta", "programa", "plantilla"})
        if (!parser.isSet(requerida))
            parser.showHelp(2);
    return {parser.value("carpeta"),  parser.value("programa"), parser.value("plantilla"),
            parser.value("servidor"), parser.value("puerto"),   parser.value("usuario"),
            parser.value("password"), parser.value("base"),     parser.value("driver")};
}

void Copia(const QString& origen, const QString& destino) {
    QFile::remove(destino);
    if (!QFile::copy(origen, destino))
        throw qm::Error(qm::errores::AccesoArchivo,
                        QStringLiteral("cannot copy %1 to %2").arg(origen, destino));
}

void RegistraFuenteOdbc(const QString& nombre, const Opciones& o) {
    SQLSetConfigMode(ODBC_USER_DSN);
    const QByteArray dsn = nombre.toUtf8();
    const QByteArray driver = o.driver.toUtf8();
    if (!SQLWriteDSNToIni(dsn.constData(), driver.constData()))
        throw qm::Error(qm::errores::ConfiguracionOdbc,
                        QStringLiteral("cannot register the data source %1").arg(nombre));
    const std::pair<const char*, QString> valores[] = {
        {"Driver", o.driver}, {"Server", o.servidor}, {"Port", o.puerto},
        {"Database", o.base}, {"User", o.usuario},    {"Password", o.password},
    };
    for (const auto& [clave, valor] : valores)
        SQLWritePrivateProfileString(dsn.constData(), clave, valor.toUtf8().constData(),
                                     "odbc.ini");
}

void Instala(const Opciones& o) {
    const QString carpeta = QFileInfo(o.carpeta).absoluteFilePath();
    QDir().mkpath(carpeta);
    Copia(o.programa, carpeta + "/" + QFileInfo(o.programa).fileName());
    Copia(o.plantilla, carpeta + "/quiltaro.rpt");

    const qm::libQMCM libQMCM;
    const QString ini = carpeta + "/Quiltaro.ini";
    libQMCM.EscribeIni("Configuración", "Ruta de Trevanto Premium", carpeta, ini);
    libQMCM.EscribeIni("Configuración", "Base de datos a usar", o.base, ini);

    QFile tvw(carpeta + "/Trevanto.ini");
    if (!tvw.exists() && !tvw.open(QIODevice::WriteOnly))
        throw qm::Error(qm::errores::AccesoArchivo, "cannot create " + tvw.fileName());
    tvw.close();
    qm::DelRegistro registro;
    registro.BuscarRegistroTVW(carpeta);
    const qm::Utilerias utilerias;
    registro.GuardaDatosTVW("servidor", o.servidor);
    registro.GuardaDatosTVW("MySQLServer", o.servidor);
    registro.GuardaDatosTVW("MySQLPuerto", o.puerto);
    registro.GuardaDatosTVW("MySQLUsuario", utilerias.Encripta(o.usuario));
    registro.GuardaDatosTVW("MySQLPassword", utilerias.Encripta(o.password));

    RegistraFuenteOdbc("myodbc3-test", o);
    RegistraFuenteOdbc("Trevanto Reportes", o);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    try {
        Instala(LeeOpciones(aplicacion));
    } catch (const qm::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return 1;
    }
    return 0;
}
