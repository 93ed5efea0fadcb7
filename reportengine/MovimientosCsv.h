#pragma once

#include "reportengine/DatosReporte.h"
#include "reportengine/Exportacion.h"

#include <memory>
#include <vector>

namespace motor {

// A layout column of the "Movimientos" sheet: the table column it shows (-1: none) and how.
struct ColumnaCsv {
    int indice = -1;
    TipoCelda tipo = TipoCelda::Texto;
};

// The "Movimientos" rows as CSV lines made straight from the compact table: the group's key
// and name, then the layout's columns. The same bytes as the sheet's cells give.
LineasCsv LineasMovimientos(std::shared_ptr<const DatosReporte> datos,
                            std::vector<ColumnaCsv> columnas);

} // namespace motor
