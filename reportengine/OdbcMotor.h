#pragma once

#include "reportengine/TablaDatos.h"

#include <QString>
#include <sql.h>
#include <vector>

namespace motor {

// An ODBC connection through the plain API, opened by SQLDriverConnect with the whole text.
class ConexionOdbc : public FuenteDatos {
public:
    explicit ConexionOdbc(const QString& cadena);
    ~ConexionOdbc() override;
    ConexionOdbc(const ConexionOdbc&) = delete;
    ConexionOdbc& operator=(const ConexionOdbc&) = delete;

    TablaDatos Lee(const QString& ubicacion, const std::vector<ColumnaPedida>& columnas) override;

private:
    SQLHENV entorno_ = SQL_NULL_HENV;
    SQLHDBC conexion_ = SQL_NULL_HDBC;
    bool conectada_ = false;
};

// "base.tabla" as `base`.`tabla`, "tabla" as `tabla`: split at the first ".", backquotes doubled.
QString UbicacionSql(const QString& ubicacion);

// The connection string for a data source and the runner's connection text: "DSN=" the name,
// ";", then the text unchanged. A name that needs it goes in braces.
QString CadenaConexion(const QString& fuente, const QString& texto);

} // namespace motor
