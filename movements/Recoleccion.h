#pragma once

#include "host/Conexion.h"
#include "movements/Movimientos.h"
#include "movements/TablasTemporales.h"

#include <QString>

namespace movimientos {

// Copies the four sources' rows, in order, into the scratch table, each with its order of
// addition. When a value is refused under the session's mode, the rows before the first
// failing one (that row, or an earlier one with a NULL in a column tmpravesta declares NOT NULL)
// go into tmpravesta, without balances, and the failure is thrown, as inserting the rows one by
// one would have ended. With no value refused, such a NULL is left for the caller to find
// (CondicionDeNulo) and report (FallaPorNulo). cSQL ends holding the last source expression
// read.
void Recolecta(qm::Conexion& cn, const TablasTemporales& t, const Fuentes& fuentes, QString& cSQL);

// True for a collected row with a NULL in a column that tmpravesta declares NOT NULL; empty when
// there is no such column.
QString CondicionDeNulo(const TablasTemporales& t);

// Ends the build at the collected row `orden`, the first in order of addition with such a
// NULL: the rows before it go into tmpravesta without balances, and the failure a single-row
// insert of it gives (1048) is thrown.
[[noreturn]] void FallaPorNulo(qm::Conexion& cn, const TablasTemporales& t, const Fuentes& fuentes,
                               long long orden);

// The INSERT ... SELECT statements that copy the sources' rows, in order and without
// balances, into a table with the working copy's columns.
QStringList InsercionesDeFuentes(const Fuentes& fuentes, const QString& tabla);

} // namespace movimientos
