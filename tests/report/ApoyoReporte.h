#pragma once

#include "host/Mensajes.h"
#include "tests/support/EntornoPrueba.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace prueba {

// A table-location record as templates hold it: driver, NUL, a field, NUL, table, NUL.
QByteArray Registro(const QByteArray& driver, const QByteArray& campo, const QByteArray& tabla);
QByteArray Relleno(int bytes);

// The keys of a user data source as unixODBC's own odbcinst lists them; nothing when the data
// source does not exist.
std::optional<QMap<QString, QString>> LeeOrigen(const QString& nombre);
// Starts the test with no user data sources at all.
void BorraOdbcIni();
// The file's permission bits.
unsigned ModoDe(const QString& ruta);
// How many files the process holds open.
int ArchivosAbiertos();

// Points ODBCINI elsewhere while it lives.
class OdbcIniTemporal {
public:
    explicit OdbcIniTemporal(const QString& ruta);
    ~OdbcIniTemporal();
    OdbcIniTemporal(const OdbcIniTemporal&) = delete;
    OdbcIniTemporal& operator=(const OdbcIniTemporal&) = delete;

private:
    QByteArray previo_;
};

// Fails the test when the system-wide odbc.ini changed while it lived, and puts it back:
// unixODBC writes there when the user file cannot be opened.
class SistemaOdbcIntacto {
public:
    SistemaOdbcIntacto();
    ~SistemaOdbcIntacto();
    SistemaOdbcIntacto(const SistemaOdbcIntacto&) = delete;
    SistemaOdbcIntacto& operator=(const SistemaOdbcIntacto&) = delete;

private:
    QString ruta_;
    QByteArray contenido_;
};

// Keeps every message box asked for.
class MensajesGrabados final : public qm::PuertoMensajes {
public:
    QList<qm::Mensaje> mensajes;
    void Muestra(const qm::Mensaje& mensaje) override { mensajes.append(mensaje); }
    QStringList textos() const;
};

} // namespace prueba
