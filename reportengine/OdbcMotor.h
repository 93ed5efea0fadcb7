#pragma once

#include "reportengine/TablaDatos.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <sql.h>
#include <vector>

namespace motor {

// Rows per range when Lee reads a table in ranges. MariaDB Connector/ODBC 3.1 keeps a whole
// answer in memory (about 150 bytes a row of the movements) before the first row is fetched;
// in ranges it holds one range at a time.
inline constexpr std::size_t FilasPorTramo = 50000;

// An ODBC connection through the plain API, opened by SQLDriverConnect with the whole text.
class ConexionOdbc : public FuenteDatos {
public:
    explicit ConexionOdbc(const QString& cadena);
    ~ConexionOdbc() override;
    ConexionOdbc(const ConexionOdbc&) = delete;
    ConexionOdbc& operator=(const ConexionOdbc&) = delete;

    TablaDatos Lee(const QString& ubicacion, const std::vector<ColumnaPedida>& columnas,
                   const QString& columnaTramos = {}) override;
    Clasificacion Clasifica(const QString& ubicacion, const QString& columna) override;
    QHash<QString, QString> Busca(const QString& ubicacion, const QString& columnaClave,
                                  const QString& columnaValor,
                                  const std::vector<QString>& claves) override;

    // About how many rows one range of Lee holds (a value with more rows is one range).
    void PonFilasPorTramo(std::size_t filas) { filasPorTramo_ = std::max<std::size_t>(filas, 1); }

private:
    void Ejecuta(const QString& sql, const QString& ubicacion);
    std::vector<QString> Tramos(const QString& ubicacion, const QString& columna);

    std::size_t filasPorTramo_ = FilasPorTramo;

    SQLHENV entorno_ = SQL_NULL_HENV;
    SQLHDBC conexion_ = SQL_NULL_HDBC;
    bool conectada_ = false;
    bool listas_ = false; // the session allows long GROUP_CONCAT lists
};

// Claves per statement when Busca looks names up.
inline constexpr std::size_t ClavesPorConsulta = 200;

// "base.tabla" as `base`.`tabla`, "tabla" as `tabla`: split at the first ".", backquotes doubled.
QString UbicacionSql(const QString& ubicacion);

// How long the server may take to answer one read or write of the engine's session. The
// largest legitimate reads answer in a few seconds at a million rows; a server gone silent (the
// connection open, no answer) fails within this bound instead of holding the program for minutes.
inline constexpr std::chrono::seconds RespuestaOdbc{60};

// The connection string for a data source and the runner's connection text: "DSN=" the name,
// ";", the answer bound (READ_TIMEOUT, WRITE_TIMEOUT), then the text unchanged, so that the text
// may still set its own. A name that needs it goes in braces.
QString CadenaConexion(const QString& fuente, const QString& texto,
                       std::chrono::seconds respuesta = RespuestaOdbc);

} // namespace motor
