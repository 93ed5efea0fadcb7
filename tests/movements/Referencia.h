#pragma once

#include "movements/Movimientos.h"

namespace prueba {

// The build done step by step through the host library's recordsets, row by row, exactly as
// the procedure walks it (codes escaped, like the product). The oracle of the differential
// test and the baseline of the benchmark.
void GeneraMovimientosReferencia(const movimientos::ObjetosBuilder& objetos, qm::Conexion& cn,
                                 QString& cSQL, const movimientos::Solicitud& solicitud);

} // namespace prueba
