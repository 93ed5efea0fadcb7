#pragma once

#include "reportengine/Plantilla.h"
#include "reportengine/TablaDatos.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace motor {

// One group of consecutive rows (after sorting): the rows whose group values the database
// takes as equal.
struct GrupoDatos {
    QString clave;  // the database's representative of the group's values
    QString nombre; // empty when the name table does not know the key
    std::size_t desde = 0;
    std::size_t hasta = 0; // one past the last row
};

// Where the layout's fields are in the table, found once when the rows are grouped; -1 where
// the table lacks one, and for the balances and sales where it is not a number column.
struct LugaresDatos {
    std::vector<int> columnas; // per layout column
    int saldoInicial = -1;
    int saldoFinal = -1;
    int ventas = -1;
    int fecha = -1; // the first date column of the layout, for the ageing
    // The layout column that shows the closing balance, -1 when none does.
    int columnaSaldoFinal = -1;
};
LugaresDatos UbicaCampos(const TablaDatos& tabla, const Diseno& diseno);

// The rows of the report, in print order, and their groups.
struct DatosReporte {
    TablaDatos tabla;               // table 0, columns as ColumnasPedidas gives them
    std::vector<std::size_t> orden; // row numbers of tabla in print order
    std::vector<GrupoDatos> grupos;
    LugaresDatos lugares;
};

// The columns of table 0 that the layout uses, each once, amounts and balances as numbers.
std::vector<ColumnaPedida> ColumnasPedidas(const Diseno& diseno);

// The text columns whose order or equality the database must give: the group field, then the
// sort fields, each once.
QStringList CamposClasificados(const Diseno& diseno);

// Clasificacion by field name (as CamposClasificados gives it).
using Clasificaciones = QHash<QString, Clasificacion>;

// Sorts the rows stably by the group field, then the layout's sort fields (texts by the
// database's order, numbers by value; rows that tie keep their stored order) and groups them
// as the database compares the group field. A value the database did not classify (the table
// changed in between) sorts after the others, as its own class.
DatosReporte OrdenaYAgrupa(TablaDatos tabla, const Diseno& diseno,
                           const Clasificaciones& clasificaciones);

// The groups' keys, in order.
std::vector<QString> ClavesDeGrupos(const DatosReporte& datos);

// Gives each group its name from key -> name.
void PonNombres(DatosReporte& datos, const QHash<QString, QString>& nombres);

} // namespace motor
