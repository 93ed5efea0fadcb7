#pragma once

#include "host/BasesDD.h"
#include "host/DelRegistro.h"

#include <QString>
#include <cstdint>

namespace modRPTs {

// The two data sources that the report engine may read, by their index.
inline constexpr std::uint8_t OdbcPrueba = 0;   // "myodbc3-test"
inline constexpr std::uint8_t OdbcReportes = 1; // "Trevanto Reportes"

// Copies the connection settings into both ODBC data sources, 14 writes in a fixed order,
// reading every value from BasesDD at its use. The first failed write ends it; the values
// written before it stay written.
void PreparaODBC(const qm::BasesDD& BasesDD, qm::DelRegistro& DelRegistro);

// Writes one setting ("Servidor", "Contraseña", "Usuario", "Puerto" or "BaseDeDatos", in any
// letter case) into the data source of the index; the password and the user go under two
// names each. For the reports data source the database is always "tvlightreportes", and
// valor is changed to it. A value with a line break is refused: an ini value cannot hold one.
void GrabaODBC(qm::DelRegistro& DelRegistro, const QString& etiqueta, QString& valor,
               std::uint8_t indice);

// "SERVER=...;DB=...;UID=...;PWD=...;" from BasesDD. A value that the connection string could
// not carry as it stands (";", braces, blanks at its ends) goes in braces.
QString TextoConexion(const qm::BasesDD& BasesDD);

// The value as an ODBC connection string carries it: unchanged when it can, else in braces
// with every "}" doubled.
QString ValorConexion(const QString& valor);

} // namespace modRPTs
