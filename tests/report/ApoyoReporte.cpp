#include "ApoyoReporte.h"

#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace prueba {

QByteArray Registro(const QByteArray& driver, const QByteArray& campo, const QByteArray& tabla) {
    QByteArray r = driver;
    r.append('\0').append(campo).append('\0').append(tabla).append('\0');
    return r;
}

QByteArray Relleno(int bytes) {
    return QByteArray(bytes, 'x');
}

std::optional<QMap<QString, QString>> LeeOrigen(const QString& nombre) {
    QProcess odbcinst;
    odbcinst.start(QStringLiteral("odbcinst"), {"-q", "-s", "-n", nombre});
    EXPECT_TRUE(odbcinst.waitForFinished(30000));
    if (odbcinst.exitStatus() != QProcess::NormalExit || odbcinst.exitCode() != 0)
        return std::nullopt;
    QMap<QString, QString> claves;
    const QStringList lineas = QString::fromUtf8(odbcinst.readAllStandardOutput()).split('\n');
    for (const QString& linea : lineas) {
        const qsizetype igual = linea.indexOf('=');
        if (linea.startsWith('[') || igual < 0)
            continue;
        claves.insert(linea.left(igual), linea.mid(igual + 1));
    }
    return claves;
}

void BorraOdbcIni() {
    QFile::remove(Entorno().odbcIni());
    ASSERT_FALSE(QFile::exists(Entorno().odbcIni()));
}

unsigned ModoDe(const QString& ruta) {
    struct stat datos {};
    if (::stat(QFile::encodeName(ruta).constData(), &datos) != 0)
        return 0;
    return datos.st_mode & 07777;
}

int ArchivosAbiertos() {
    return static_cast<int>(
        QDir("/proc/self/fd")
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
            .size());
}

OdbcIniTemporal::OdbcIniTemporal(const QString& ruta) : previo_(qgetenv("ODBCINI")) {
    qputenv("ODBCINI", QFile::encodeName(ruta));
}

OdbcIniTemporal::~OdbcIniTemporal() {
    qputenv("ODBCINI", previo_);
}

namespace {
QByteArray LeeTodo(const QString& ruta) {
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}
} // namespace

SistemaOdbcIntacto::SistemaOdbcIntacto() {
    const QStringList lineas = Ejecuta("odbcinst", {"-j"}).split('\n');
    for (const QString& linea : lineas)
        if (linea.startsWith("SYSTEM DATA SOURCES"))
            ruta_ = linea.section(':', 1).trimmed();
    EXPECT_FALSE(ruta_.isEmpty()) << "odbcinst -j names no system data sources";
    contenido_ = LeeTodo(ruta_);
}

SistemaOdbcIntacto::~SistemaOdbcIntacto() {
    if (ruta_.isEmpty() || LeeTodo(ruta_) == contenido_)
        return;
    ADD_FAILURE() << "the system-wide " << ruta_.toStdString() << " was written";
    QFile archivo(ruta_);
    if (archivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
        archivo.write(contenido_);
}

QStringList MensajesGrabados::textos() const {
    QStringList t;
    for (const qm::Mensaje& m : mensajes)
        t.append(m.texto);
    return t;
}

} // namespace prueba
