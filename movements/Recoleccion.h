#pragma once

#include "host/Conexion.h"
#include "movements/Movimientos.h"
#include "movements/TablasTemporales.h"

#include <QString>

namespace movimientos {

// Copies the four sources' rows, in order, into the scratch table, each with its order of
// addition. On failure (a value tmpravesta refuses, under the session's mode, or a NULL in a
// column tmpravesta declares NOT NULL, in any mode) the rows before the failing one go into
// tmpravesta, without balances, and the failure is thrown, as inserting the rows one by one
// would have ended. cSQL ends holding the last source expression read.
void Recolecta(qm::Conexion& cn, const TablasTemporales& t, const Fuentes& fuentes, QString& cSQL);

// The INSERT ... SELECT statements that copy the sources' rows, in order and without
// balances, into a table with the working copy's columns.
QStringList InsercionesDeFuentes(const Fuentes& fuentes, const QString& tabla);

} // namespace movimientos
