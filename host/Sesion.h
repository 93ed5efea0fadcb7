#pragma once

// The shared state behind Conexion handles and the recordsets opened on them.
// Internal to the host library.

#include "host/Conexion.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <mysql.h>
#include <vector>

namespace qm {

struct CierraMysql {
    void operator()(MYSQL* m) const { mysql_close(m); }
};
struct LiberaResultado {
    void operator()(MYSQL_RES* r) const { mysql_free_result(r); }
};
using ResultadoMysql = std::unique_ptr<MYSQL_RES, LiberaResultado>;

struct Conexion::Sesion {
    ParametrosConexion parametros;
    std::unique_ptr<MYSQL, CierraMysql> mysql; // null once closed
    std::vector<QString> ajustes;              // "SET ..." statements, replayed on re-open
    unsigned long long filas = 0;
    unsigned int avisos = 0;
    std::function<void(const QString&)> observador; // sees every statement text sent
    std::chrono::seconds plazo = RespuestaBreve;    // for the answer to begin

    // The live native session: fails on a closed one, re-opens one dropped while idle.
    MYSQL* Prepara();
    // Sends a statement and consumes every result; gives the first result set, if any. The
    // answer must begin within `plazo` (the session's own when not given).
    ResultadoMysql Envia(const QString& sql);
    ResultadoMysql Envia(const QString& sql, std::chrono::seconds plazo,
                         const std::function<void()>& entretanto);
    // Rows the last UPDATE found (not only changed), from the server's info text.
    unsigned long long FilasEncontradas() const;
    // The text escaped for use inside single quotes, as Conexion::Escapa.
    QString Escapa(const QString& texto);

private:
    void Reabre();
};

} // namespace qm
