// Fills a database with a sample host database: customers, delivery notes, invoices, returns
// and the customers' account statement.
#include "demo/datos/DatosHost.h"
#include "host/Error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

namespace {

// server.env as scripts/mariadb.sh writes it: NAME=value lines.
void LeeEnv(const QString& archivo, qm::ParametrosConexion& p) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw qm::Error(qm::errores::ArchivoNoEncontrado, "No se puede leer " + archivo);
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString linea = in.readLine();
        const qsizetype igual = linea.indexOf(QLatin1Char('='));
        if (igual < 0)
            continue;
        const QString nombre = linea.left(igual), valor = linea.mid(igual + 1);
        if (nombre == "SERVIDOR")
            p.servidor = valor;
        else if (nombre == "PUERTO")
            p.puerto = valor.toUInt();
        else if (nombre == "USUARIO")
            p.usuario = valor;
        else if (nombre == "PASSWORD")
            p.password = valor;
    }
}

QDate Fecha(const QString& texto) {
    const QDate d = QDate::fromString(texto, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        throw qm::Error(qm::errores::ArgumentoInvalido, "Fecha inválida (yyyy-MM-dd): " + texto);
    return d;
}

int Ejecuta(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Creates and fills the host tables clientes, remisiones, facturas, devolucionctes and "
        "edoctacli in a database (created when missing)");
    parser.addHelpOption();
    const QList<QCommandLineOption> opciones = {
        {"env", "server.env of scripts/mariadb.sh (server, port, user, password)", "file"},
        {"servidor", "server host", "host", "127.0.0.1"},
        {"puerto", "server port", "port", "3306"},
        {"usuario", "user", "user"},
        {"password", "password", "password"},
        {"base", "database to fill", "name"},
        {"demo", "the demo's size: 60 customers, about 3000 movements, a year ending today"},
        {"semilla", "seed", "n", "1"},
        {"clientes", "customers", "n", "60"},
        {"movimientos", "movements a full build collects (about)", "n", "3000"},
        {"desde", "first date, yyyy-MM-dd", "date"},
        {"hasta", "last date, yyyy-MM-dd (default today)", "date"},
    };
    parser.addOptions(opciones);
    parser.process(app);
    if (!parser.isSet("base"))
        throw qm::Error(qm::errores::ArgumentoInvalido, "Falta --base");

    qm::ParametrosConexion p;
    p.servidor = parser.value("servidor");
    p.puerto = parser.value("puerto").toUInt();
    if (parser.isSet("env"))
        LeeEnv(parser.value("env"), p);
    if (parser.isSet("servidor"))
        p.servidor = parser.value("servidor");
    if (parser.isSet("puerto"))
        p.puerto = parser.value("puerto").toUInt();
    if (parser.isSet("usuario"))
        p.usuario = parser.value("usuario");
    if (parser.isSet("password"))
        p.password = parser.value("password");

    const QDate hoy = QDate::currentDate();
    demo::OpcionesDatos o = demo::OpcionesDemo(hoy);
    if (!parser.isSet("demo")) {
        o.semilla = parser.value("semilla").toULongLong();
        o.clientes = parser.value("clientes").toInt();
        o.movimientos = parser.value("movimientos").toInt();
        o.hasta = parser.isSet("hasta") ? Fecha(parser.value("hasta")) : hoy;
        o.desde = parser.isSet("desde") ? Fecha(parser.value("desde")) : o.hasta.addYears(-1);
    }

    const QString base = parser.value("base");
    {
        qm::Conexion cn = qm::Conexion::Abre(p);
        cn.Execute("CREATE DATABASE IF NOT EXISTS `" + QString(base).replace("`", "``") +
                   "` CHARACTER SET utf8mb4");
    }
    p.base = base;
    qm::Conexion cn = qm::Conexion::Abre(p);
    const demo::ResumenDatos r = demo::GeneraDatos(cn, o);
    std::printf("%s: %d clientes, %d remisiones, %d facturas, %d devoluciones, %d filas de "
                "edoctacli, %s a %s\n",
                base.toUtf8().constData(), r.clientes, r.remisiones, r.facturas, r.devoluciones,
                r.estado, qPrintable(o.desde.toString("yyyy-MM-dd")),
                qPrintable(o.hasta.toString("yyyy-MM-dd")));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return Ejecuta(app);
    } catch (const qm::Error& e) {
        std::fprintf(stderr, "%s\n", e.texto().toUtf8().constData());
        return 1;
    }
}
