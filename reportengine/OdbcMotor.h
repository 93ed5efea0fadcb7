#pragma once

#include "reportengine/TablaDatos.h"

#include <QString>
#include <chrono>
#include <sql.h>
#include <vector>

namespace motor {

// Rows per statement when Lee reads a large table. MariaDB Connector/ODBC 3.1 keeps a whole
// answer in memory (about 90 bytes a row of the movements, measured) before the first row is
// fetched; in ranges it holds one range at a time. Each range is a scan from the table's
// start (LIMIT), which keeps the stored order; ranges of the key's values instead made MyISAM
// fetch the rows one by one, about 45 times slower than a scan.
inline constexpr std::size_t FilasPorTramo = 250000;

// An ODBC connection through the plain API, opened by SQLDriverConnect with the whole text.
class ConexionOdbc : public FuenteDatos {
public:
    explicit ConexionOdbc(const QString& cadena);
    ~ConexionOdbc() override;
    ConexionOdbc(const ConexionOdbc&) = delete;
    ConexionOdbc& operator=(const ConexionOdbc&) = delete;

    TablaDatos Lee(const QString& ubicacion, const std::vector<ColumnaPedida>& columnas) override;
    Clasificacion Clasifica(const QString& ubicacion, const QString& columna) override;
    QHash<QString, QString> Busca(const QString& ubicacion, const QString& columnaClave,
                                  const QString& columnaValor,
                                  const std::vector<QString>& claves) override;

    // Rows a statement of Lee answers at most; 0 reads every table in one statement.
    void PonFilasPorTramo(std::size_t filas) { filasPorTramo_ = filas; }
    // The statements the last Lee read its rows in.
    std::size_t tramos() const { return tramos_; }

private:
    void Ejecuta(const QString& sql, const QString& ubicacion);
    std::size_t filasPorTramo_ = FilasPorTramo;
    std::size_t tramos_ = 0;

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
