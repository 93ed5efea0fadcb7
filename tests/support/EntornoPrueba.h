#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace prueba {

// Points HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and ODBCINI into one temporary folder for
// the life of the test process, so that no test touches the real home. Made once by the mains.
class EntornoAislado {
public:
    EntornoAislado();
    const QString& carpeta() const { return carpeta_; }
    // The private user odbc.ini that unixODBC reads (ODBCINI).
    QString odbcIni() const;

private:
    QTemporaryDir dir_;
    QString carpeta_;
};

// The folder of the process's isolated environment.
const EntornoAislado& Entorno();
void CreaEntorno();

// Runs a program and gives its standard output; fails the test when it cannot run or exits
// non-zero.
QString Ejecuta(const QString& programa, const QStringList& argumentos,
                const QString& entrada = QString());

// A whole file's bytes; fails the test when it cannot be read.
QByteArray LeeArchivo(const QString& archivo);
// Replaces a file's bytes; fails the test when it cannot be written.
void EscribeArchivo(const QString& archivo, const QByteArray& datos);

} // namespace prueba
