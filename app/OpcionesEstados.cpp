#include "app/OpcionesEstados.h"

#include <QCommandLineParser>
#include <cstring>

namespace {

const QString kEstados = QStringLiteral("estados");
const QString kDesde = QStringLiteral("desde");
const QString kHasta = QStringLiteral("hasta");
const QString kMesAnterior = QStringLiteral("mes-anterior");
const QString kCliente = QStringLiteral("cliente");
const QString kCarpeta = QStringLiteral("carpeta");
const QString kEnviar = QStringLiteral("enviar");
const QString kConexion = QStringLiteral("conexion");

const QString kAyuda = QStringLiteral("help");

QList<QCommandLineOption> Opciones() {
    return {
        {kConexion, QStringLiteral("Abre primero la configuración de la conexión con la base de "
                                   "datos (con ventana).")},
        {kEstados, QStringLiteral("Escribe los estados de cuenta sin ventana.")},
        {kDesde, QStringLiteral("Fecha inicial del periodo."), QStringLiteral("DDMMAAAA")},
        {kHasta, QStringLiteral("Fecha final del periodo."), QStringLiteral("DDMMAAAA")},
        {kMesAnterior, QStringLiteral("El periodo es el mes anterior al de hoy, completo.")},
        {kCliente, QStringLiteral("Sólo ese cliente (si falta, todos)."), QStringLiteral("CLAVE")},
        {kCarpeta, QStringLiteral("Donde se escriben los estados, su índice y Envíos.csv."),
         QStringLiteral("CARPETA")},
        {kEnviar, QStringLiteral("Envía cada estado a su cliente por correo y lo anota en "
                                 "Envíos.csv.")},
        {{QStringLiteral("h"), kAyuda, QStringLiteral("?")}, QStringLiteral("Esta ayuda.")},
    };
}

} // namespace

bool PideEstados(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* opcion : {"--estados", "-estados", "--help", "-help", "-h", "-?"})
            if (std::strcmp(argv[i], opcion) == 0)
                return true;
    return false;
}

std::pair<QDate, QDate> MesAnterior(const QDate& hoy) {
    const QDate desde = QDate(hoy.year(), hoy.month(), 1).addMonths(-1);
    return {desde, desde.addDays(desde.daysInMonth() - 1)};
}

QDate LeeFechaLinea(const QString& texto) {
    const QString t = texto.trimmed();
    return QDate::fromString(t, t.contains(QLatin1Char('/')) ? QStringLiteral("dd/MM/yyyy")
                                                             : QStringLiteral("ddMMyyyy"));
}

LecturaEstados LeeOpcionesEstados(const QStringList& argumentos, const QDate& hoy) {
    QCommandLineParser linea;
    linea.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    linea.addOptions(Opciones());
    LecturaEstados lectura;
    if (!linea.parse(argumentos)) {
        const QStringList desconocidas = linea.unknownOptionNames();
        // Otherwise an option that takes a value came last, without it.
        lectura.error = desconocidas.isEmpty()
                            ? QStringLiteral("Falta el valor de «%1».").arg(argumentos.last())
                            : QStringLiteral("No existe la opción «%1».").arg(desconocidas.first());
        return lectura;
    }
    if (linea.isSet(kAyuda)) {
        lectura.ayuda = true;
        return lectura;
    }
    const auto falla = [&](const QString& error) {
        lectura.error = error;
        return lectura;
    };
    if (!linea.positionalArguments().isEmpty())
        return falla(QStringLiteral("Sobra «%1».").arg(linea.positionalArguments().first()));
    if (!linea.isSet(kEstados))
        return falla(QStringLiteral("Falta --estados."));
    if (linea.isSet(kConexion))
        return falla(QStringLiteral("--conexion abre una ventana: no va con --estados."));

    OpcionesEstados o;
    const bool porFechas = linea.isSet(kDesde) || linea.isSet(kHasta);
    if (linea.isSet(kMesAnterior) == porFechas)
        return falla(QStringLiteral("Indique el periodo: --desde y --hasta, o --mes-anterior."));
    if (porFechas) {
        for (const QString& nombre : {kDesde, kHasta}) {
            if (!linea.isSet(nombre))
                return falla(QStringLiteral("Falta --%1.").arg(nombre));
            if (!LeeFechaLinea(linea.value(nombre)).isValid())
                return falla(QStringLiteral("--%1 «%2» no es una fecha DDMMAAAA.")
                                 .arg(nombre, linea.value(nombre)));
        }
        o.desde = LeeFechaLinea(linea.value(kDesde));
        o.hasta = LeeFechaLinea(linea.value(kHasta));
        if (o.desde > o.hasta)
            return falla(QStringLiteral("La fecha inicial es posterior a la final."));
    } else {
        std::tie(o.desde, o.hasta) = MesAnterior(hoy);
    }
    o.cliente = linea.value(kCliente).trimmed();
    if (linea.isSet(kCliente) && o.cliente.isEmpty())
        return falla(QStringLiteral("--cliente está vacío."));
    o.carpeta = linea.value(kCarpeta).trimmed();
    if (o.carpeta.isEmpty())
        return falla(QStringLiteral("Falta --carpeta."));
    o.enviar = linea.isSet(kEnviar);
    lectura.opciones = o;
    return lectura;
}

QString AyudaEstados() {
    QString ayuda = QStringLiteral(
        "Uso: quiltaro [--conexion]\n"
        "     quiltaro --estados (--desde DDMMAAAA --hasta DDMMAAAA | --mes-anterior)\n"
        "              [--cliente CLAVE] --carpeta CARPETA [--enviar]\n"
        "\n"
        "Reporte de movimientos de clientes. Sin opciones abre la ventana; con --estados escribe\n"
        "los estados de cuenta sin ventana y, con --enviar, los envía por correo.\n"
        "\n"
        "Opciones:\n");
    for (const QCommandLineOption& opcion : Opciones()) {
        QStringList nombres;
        for (const QString& nombre : opcion.names())
            nombres << (nombre.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nombre;
        QString izquierda = QStringLiteral("  ") + nombres.join(QStringLiteral(", "));
        if (!opcion.valueName().isEmpty())
            izquierda += QLatin1Char(' ') + opcion.valueName();
        ayuda += izquierda.leftJustified(24) + QLatin1Char(' ') + opcion.description() +
                 QLatin1Char('\n');
    }
    ayuda += QStringLiteral(
        "\n"
        "Salida: 0 todo se hizo (con --enviar: nada falló); 1 el correo de algún cliente no se\n"
        "envió; 2 no se pudo hacer (opciones o fechas, configuración, conexión, servidor de\n"
        "correo o contraseña).");
    return ayuda;
}
