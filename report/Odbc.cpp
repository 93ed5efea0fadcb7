#include "Odbc.h"

#include "host/Error.h"

namespace modRPTs {

namespace {

const QString RutaOdbc = QStringLiteral("Software\\ODBC\\ODBC.INI\\");

QString NombreOrigen(std::uint8_t indice) {
    switch (indice) {
    case OdbcPrueba:
        return QStringLiteral("myodbc3-test");
    case OdbcReportes:
        return QStringLiteral("Trevanto Reportes");
    default:
        throw qm::Error(qm::errores::ArgumentoInvalido,
                        QStringLiteral("Argumento no válido: no hay origen de datos ODBC con el "
                                       "índice %1")
                            .arg(indice));
    }
}

// The value names for a lower-cased label: the first, and the second or "".
struct NombresValor {
    QString primero;
    QString segundo;
};

NombresValor NombresDe(const QString& etiqueta) {
    if (etiqueta == QStringLiteral("servidor"))
        return {QStringLiteral("Server"), {}};
    if (etiqueta == QStringLiteral("contraseña"))
        return {QStringLiteral("Password"), QStringLiteral("PWD")};
    if (etiqueta == QStringLiteral("usuario"))
        return {QStringLiteral("User"), QStringLiteral("UID")};
    if (etiqueta == QStringLiteral("puerto"))
        return {QStringLiteral("Port"), {}};
    if (etiqueta == QStringLiteral("basededatos"))
        return {QStringLiteral("Database"), {}};
    throw qm::Error(
        qm::errores::ArgumentoInvalido,
        QStringLiteral("Argumento no válido: \"%1\" no es un dato de la conexión").arg(etiqueta));
}

bool CabeEnIni(const QString& valor) {
    return !valor.contains(QLatin1Char('\n')) && !valor.contains(QLatin1Char('\r')) &&
           !valor.contains(QChar(0));
}

void Escribe(qm::DelRegistro& DelRegistro, const QString& etiqueta, const QString& nombre,
             QString& valor, std::uint8_t indice) {
    const QString origen = NombreOrigen(indice);
    if (indice == OdbcReportes && etiqueta == QStringLiteral("basededatos"))
        valor = QStringLiteral("tvlightreportes");
    // The file would take the rest of the line as a new key; better no write than a broken file.
    if (!CabeEnIni(valor))
        throw qm::Error(qm::errores::ArgumentoInvalido,
                        QStringLiteral("Argumento no válido: el valor de %1 para el origen de "
                                       "datos ODBC \"%2\" tiene un salto de línea, que un origen "
                                       "de datos no puede guardar; no se escribió")
                            .arg(nombre, origen));
    DelRegistro.GrabarCadena(RutaOdbc + origen, nombre, valor);
}

bool NecesitaLlaves(const QString& valor) {
    if (valor.isEmpty())
        return false;
    return valor.contains(QLatin1Char(';')) || valor.contains(QLatin1Char('{')) ||
           valor.contains(QLatin1Char('}')) || valor.front().isSpace() || valor.back().isSpace();
}

} // namespace

void GrabaODBC(qm::DelRegistro& DelRegistro, const QString& etiqueta, QString& valor,
               std::uint8_t indice) {
    const QString cEtiqueta = etiqueta.toLower();
    const NombresValor nombres = NombresDe(cEtiqueta);
    Escribe(DelRegistro, cEtiqueta, nombres.primero, valor, indice);
    if (!nombres.segundo.isEmpty())
        Escribe(DelRegistro, cEtiqueta, nombres.segundo, valor, indice);
}

void PreparaODBC(const qm::BasesDD& BasesDD, qm::DelRegistro& DelRegistro) {
    for (const std::uint8_t indice : {OdbcPrueba, OdbcReportes}) {
        QString cValor = BasesDD.cRuta;
        GrabaODBC(DelRegistro, QStringLiteral("Servidor"), cValor, indice);
        cValor = BasesDD.cPassword;
        GrabaODBC(DelRegistro, QStringLiteral("Contraseña"), cValor, indice);
        cValor = BasesDD.cUsuario;
        GrabaODBC(DelRegistro, QStringLiteral("Usuario"), cValor, indice);
        cValor = BasesDD.cPuerto.toString();
        GrabaODBC(DelRegistro, QStringLiteral("Puerto"), cValor, indice);
        cValor = BasesDD.cMiBase;
        GrabaODBC(DelRegistro, QStringLiteral("BaseDeDatos"), cValor, indice);
    }
}

QString ValorConexion(const QString& valor) {
    if (!NecesitaLlaves(valor))
        return valor;
    QString cValor = valor;
    cValor.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + cValor + QLatin1Char('}');
}

QString TextoConexion(const qm::BasesDD& BasesDD) {
    return QStringLiteral("SERVER=") + ValorConexion(BasesDD.cRuta) + QStringLiteral(";DB=") +
           ValorConexion(BasesDD.cMiBase) + QStringLiteral(";UID=") +
           ValorConexion(BasesDD.cUsuario) + QStringLiteral(";PWD=") +
           ValorConexion(BasesDD.cPassword) + QLatin1Char(';');
}

} // namespace modRPTs
