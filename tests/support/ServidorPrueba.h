#pragma once

#include "host/Conexion.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace prueba {

// How to reach a private MariaDB server: what scripts/mariadb.sh wrote into server.env.
struct DatosServidor {
    QString servidor;
    unsigned puerto = 0;
    QString usuario;
    QString password;
    QString socket;
};

// Reads a server.env file; throws when it is missing or incomplete.
DatosServidor LeeDatosServidor(const QString& archivo);

// The private server of this test run (the "servidor" fixture, file named by QUILTARO_SERVIDOR).
// Throws when there is none: a test that needs the server fails without it, never skips.
const DatosServidor& Servidor();

qm::ParametrosConexion Parametros(const DatosServidor& datos, const QString& base = QString());
qm::Conexion Conecta(const QString& base = QString());
qm::Conexion Conecta(const DatosServidor& datos, const QString& base = QString());

// A database of one test's own (utf8mb4, or the given character set and collation), dropped
// when it goes out of scope.
class BaseTemporal {
public:
    explicit BaseTemporal(const QString& prefijo, const DatosServidor& datos = Servidor());
    BaseTemporal(const QString& prefijo, const QString& conjunto, const QString& colacion,
                 const DatosServidor& datos = Servidor());
    ~BaseTemporal();
    BaseTemporal(const BaseTemporal&) = delete;
    BaseTemporal& operator=(const BaseTemporal&) = delete;
    const QString& nombre() const { return nombre_; }

private:
    DatosServidor datos_;
    QString nombre_;
};

// A server of one test's own, for tests that stop and start it; stopped when it goes.
class ServidorPropio {
public:
    ServidorPropio();
    ~ServidorPropio();
    ServidorPropio(const ServidorPropio&) = delete;
    ServidorPropio& operator=(const ServidorPropio&) = delete;

    void Detiene();
    // Starts it again on the same data and the same port.
    void Arranca();
    const DatosServidor& datos() const { return datos_; }

private:
    QTemporaryDir dir_;
    DatosServidor datos_;
};

// A table's columns as "name type", in order, from the server's catalogue.
QStringList ColumnasDe(const QString& base, const QString& tabla);

} // namespace prueba
