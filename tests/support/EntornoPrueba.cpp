#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QProcess>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace prueba {

namespace {
std::unique_ptr<EntornoAislado> entorno;

void Pon(const char* nombre, const QString& valor) {
    ::setenv(nombre, valor.toLocal8Bit().constData(), 1);
}
} // namespace

EntornoAislado::EntornoAislado() : dir_(QDir::tempPath() + "/quiltaro-prueba-XXXXXX") {
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for the test environment");
    carpeta_ = dir_.path();
    QDir(carpeta_).mkpath("home/.config");
    QDir(carpeta_).mkpath("runtime");
    QFile::setPermissions(carpeta_ + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Pon("HOME", carpeta_ + "/home");
    Pon("XDG_CONFIG_HOME", carpeta_ + "/home/.config");
    Pon("XDG_RUNTIME_DIR", carpeta_ + "/runtime");
    Pon("ODBCINI", odbcIni());
}

QString EntornoAislado::odbcIni() const {
    return carpeta_ + "/home/odbc.ini";
}

const EntornoAislado& Entorno() {
    if (!entorno)
        CreaEntorno();
    return *entorno;
}

void CreaEntorno() {
    if (!entorno)
        entorno = std::make_unique<EntornoAislado>();
}

QString Ejecuta(const QString& programa, const QStringList& argumentos, const QString& entrada) {
    QProcess proceso;
    proceso.start(programa, argumentos);
    if (!proceso.waitForStarted(10000)) {
        ADD_FAILURE() << "cannot run " << programa.toStdString();
        return {};
    }
    if (!entrada.isEmpty())
        proceso.write(entrada.toUtf8());
    proceso.closeWriteChannel();
    proceso.waitForFinished(120000);
    const QString salida = QString::fromUtf8(proceso.readAllStandardOutput());
    if (proceso.exitStatus() != QProcess::NormalExit || proceso.exitCode() != 0) {
        ADD_FAILURE() << programa.toStdString()
                      << " failed: " << proceso.readAllStandardError().toStdString();
    }
    return salida;
}

QByteArray LeeArchivo(const QString& archivo) {
    QFile f(archivo);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << archivo.toStdString();
    return f.readAll();
}

void EscribeArchivo(const QString& archivo, const QByteArray& datos) {
    QFile f(archivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << archivo.toStdString();
    ASSERT_EQ(f.write(datos), datos.size());
}

} // namespace prueba
