#pragma once

#include "host/Conexion.h"
#include "host/libQMCM.h"
#include "movements/Movimientos.h"
#include "movements/TablasTemporales.h"

namespace movimientos {

// Gives every collected row its balances and copies the rows into tmpravesta in order of
// addition. Customers are the server's groups of equal Cliente; each walks its rows in the
// server's order of (Fecha, Hora), ties in order of addition, from its opening balance, one
// double addition per row. A NULL opening balance stops the balances at that customer, in the
// order of the customers' codes: it and those after it keep 0, and it is reported after the
// rows are written. A collected NULL that tmpravesta refuses ends the build as FallaPorNulo
// says, before any balance is written.
void CalculaSaldos(qm::Conexion& cn, TablasTemporales& t, const Fuentes& fuentes,
                   const qm::libQMCM& libQMCM);

} // namespace movimientos
