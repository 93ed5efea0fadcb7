#pragma once

#include "reportengine/Plantilla.h"
#include "reportengine/TablaDatos.h"

#include <QHash>
#include <QString>
#include <cstddef>
#include <vector>

namespace motor {

// One group of consecutive rows (after sorting) with the same group value.
struct GrupoDatos {
    QString clave;
    QString nombre; // empty when the name table does not know the key
    std::size_t desde = 0;
    std::size_t hasta = 0; // one past the last row
};

// The rows of the report, in print order, and their groups.
struct DatosReporte {
    TablaDatos tabla;               // table 0, columns as ColumnasPedidas gives them
    std::vector<std::size_t> orden; // row numbers of tabla in print order
    std::vector<GrupoDatos> grupos;
};

// The columns of table 0 that the layout uses, each once, amounts and balances as numbers.
std::vector<ColumnaPedida> ColumnasPedidas(const Diseno& diseno);

// Sorts the rows stably by the layout's sort fields (so rows that tie keep their stored
// order), groups them and gives each group its name from nombres.
DatosReporte OrdenaYAgrupa(TablaDatos tabla, const Diseno& diseno,
                           const QHash<QString, QString>& nombres);

// Key to name, from the name table's rows; the first row of a key wins.
QHash<QString, QString> Nombres(const TablaDatos& tabla);

} // namespace motor
