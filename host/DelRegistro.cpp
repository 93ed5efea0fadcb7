#include "DelRegistro.h"

#include "Error.h"
#include "Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <odbcinst.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

const QString kArchivoHost = QStringLiteral("Trevanto.ini");
const QString kSeccionHost = QStringLiteral("Registro");
const QString kRutaOdbc = QStringLiteral("Software\\ODBC\\ODBC.INI\\");

// The user data-source file unixODBC writes: ODBCINI when set, else ~/.odbc.ini.
QByteArray ArchivoOdbcUsuario() {
    const QByteArray odbcIni = qgetenv("ODBCINI");
    if (!odbcIni.isEmpty())
        return odbcIni;
    return QFile::encodeName(QDir::homePath() + QStringLiteral("/.odbc.ini"));
}

QString UltimoErrorOdbc() {
    DWORD codigo = 0;
    char texto[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD largo = 0;
    if (SQLInstallerError(1, &codigo, texto, sizeof texto, &largo) == SQL_SUCCESS || largo > 0)
        return QString::fromUtf8(texto);
    return QStringLiteral("error desconocido del instalador ODBC");
}

enum class SiFalta { Crea, NoCrea };

// The file holds a password: readable by its owner only, from the moment it exists.
void ProtegeArchivo(const QByteArray& archivo, SiFalta siFalta) {
    if (siFalta == SiFalta::Crea) {
        const int fd = ::open(archivo.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0)
            ::close(fd);
        else if (errno != EEXIST)
            throw Error(
                errores::ConfiguracionOdbc,
                QStringLiteral("No se puede crear el archivo %1").arg(QFile::decodeName(archivo)));
    }
    if (::chmod(archivo.constData(), 0600) != 0)
        throw Error(errores::ConfiguracionOdbc,
                    QStringLiteral("No se pueden ajustar los permisos del archivo %1")
                        .arg(QFile::decodeName(archivo)));
}

// The value of a key of a data source as unixODBC reads it in the current mode, "" when none.
QByteArray ValorOdbc(const QByteArray& origen, const char* clave) {
    char valor[1024] = {};
    const int n =
        SQLGetPrivateProfileString(origen.constData(), clave, "", valor, sizeof valor, "odbc.ini");
    return n > 0 ? QByteArray(valor).trimmed() : QByteArray();
}

// The installed driver for a new data source: MariaDB's (its Unicode flavour first), else
// MySQL's, as odbcinst has them registered.
QByteArray DriverInstalado() {
    char lista[8192] = {};
    WORD largo = 0;
    if (!SQLGetInstalledDrivers(lista, sizeof lista - 1, &largo))
        return {};
    QList<QByteArray> drivers;
    for (const char* p = lista; *p && p < lista + sizeof lista; p += std::strlen(p) + 1)
        drivers.push_back(QByteArray(p));
    for (const char* buscado : {"mariadb unicode", "mariadb", "mysql"})
        for (const QByteArray& driver : drivers)
            if (driver.toLower().contains(buscado))
                return driver;
    return {};
}

// A data source written with values and no Driver= line is listed as present yet cannot
// connect: the first value written into one gets its driver first. One the user file already
// has keeps its own; a system data source of the name lends its driver.
void AseguraDriver(const QByteArray& origen) {
    if (!ValorOdbc(origen, "Driver").isEmpty())
        return;
    SQLSetConfigMode(ODBC_SYSTEM_DSN);
    QByteArray driver = ValorOdbc(origen, "Driver");
    SQLSetConfigMode(ODBC_USER_DSN);
    if (driver.isEmpty())
        driver = DriverInstalado();
    if (driver.isEmpty())
        throw Error(errores::ConfiguracionOdbc,
                    QStringLiteral("No está instalado el controlador ODBC de MariaDB (paquete "
                                   "odbc-mariadb; odbcinst -q -d lo lista): no se puede crear el "
                                   "origen de datos \"%1\"")
                        .arg(QString::fromUtf8(origen)));
    if (!SQLWritePrivateProfileString(origen.constData(), "Driver", driver.constData(), "odbc.ini"))
        throw Error(errores::ConfiguracionOdbc,
                    QStringLiteral("No se pudo crear el origen de datos \"%1\": %2")
                        .arg(QString::fromUtf8(origen), UltimoErrorOdbc()));
}

} // namespace

QString DelRegistro::BuscarRegistroTVW(const QString& carpeta) {
    archivo_.clear();
    if (carpeta.isEmpty())
        return QString();
    const QDir dir(carpeta);
    // A folder copied from Windows may spell the name in any case (TREVANTO.INI).
    const QStringList nombres = dir.entryList({kArchivoHost}, QDir::Files, QDir::Name);
    if (nombres.isEmpty())
        return QString();
    const QString nombre = nombres.contains(kArchivoHost) ? kArchivoHost : nombres.front();
    archivo_ = QFileInfo(dir, nombre).absoluteFilePath();
    return archivo_;
}

QString DelRegistro::DatosTVW(const QString& clave) const {
    if (archivo_.isEmpty())
        throw Error(errores::ArchivoNoEncontrado,
                    QStringLiteral("No se ha indicado la instalación de Trevanto Premium: no se "
                                   "puede leer \"%1\"")
                        .arg(clave));
    return ini::Lee(archivo_, kSeccionHost, clave);
}

void DelRegistro::GuardaDatosTVW(const QString& clave, const QVariant& valor) {
    if (archivo_.isEmpty())
        throw Error(errores::ArchivoNoEncontrado,
                    QStringLiteral("No se ha indicado la instalación de Trevanto Premium: no se "
                                   "puede guardar \"%1\"")
                        .arg(clave));
    ini::Escribe(archivo_, kSeccionHost, clave, valor.toString());
}

void DelRegistro::GrabarCadena(const QString& rutaClave, const QString& nombre,
                               const QString& valor) {
    if (!rutaClave.startsWith(kRutaOdbc, Qt::CaseInsensitive))
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("Clave del registro no admitida: \"%1\" (solo se escriben "
                                   "orígenes de datos bajo %2)")
                        .arg(rutaClave, kRutaOdbc));
    const QString origen = rutaClave.mid(kRutaOdbc.size());
    if (origen.isEmpty() || origen.contains(u'\\') || nombre.isEmpty())
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("Origen de datos o nombre de valor no válido: \"%1\", \"%2\"")
                        .arg(rutaClave, nombre));
    // A line break or bracket would break the file's layout.
    for (const QString* t : {&origen, &nombre, &valor})
        if (t->contains(u'\n') || t->contains(u'\r') ||
            (t != &valor && (t->contains(u'[') || t->contains(u']') || t->contains(u'='))))
            throw Error(
                errores::ArgumentoInvalido,
                QStringLiteral("Texto no válido para el origen de datos \"%1\"").arg(origen));

    const QByteArray archivo = ArchivoOdbcUsuario();
    ProtegeArchivo(archivo, SiFalta::Crea);
    if (!SQLSetConfigMode(ODBC_USER_DSN))
        throw Error(errores::ConfiguracionOdbc, UltimoErrorOdbc());
    const QByteArray cOrigen = origen.toUtf8();
    const QByteArray cNombre = nombre.toUtf8();
    const QByteArray cValor = valor.toUtf8();
    BOOL escrito = false;
    QString error;
    try {
        AseguraDriver(cOrigen);
        escrito = SQLWritePrivateProfileString(cOrigen.constData(), cNombre.constData(),
                                               cValor.constData(), "odbc.ini");
        error = escrito ? QString() : UltimoErrorOdbc();
    } catch (...) {
        SQLSetConfigMode(ODBC_BOTH_DSN);
        throw;
    }
    SQLSetConfigMode(ODBC_BOTH_DSN);
    ProtegeArchivo(archivo, SiFalta::NoCrea);
    if (!escrito)
        throw Error(errores::ConfiguracionOdbc,
                    QStringLiteral("No se pudo escribir \"%1\" en el origen de datos \"%2\": %3")
                        .arg(nombre, origen, error));
}

} // namespace qm
