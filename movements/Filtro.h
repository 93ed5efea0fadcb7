#pragma once

#include "host/Conexion.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <QString>

namespace movimientos {

// What the user typed in the window: both date fields as shown (placeholders included) and
// the customer code.
struct Solicitud {
    QString fechaInicial;
    QString fechaFinal;
    QString cliente;
};

// Appends " and " when texto already holds "where" (any case), else makes it " where ";
// then appends the condition unless it is "".
void AgregaCondicion(QString& texto, const QString& condicion);

// The column that holds the customer's code: Cliente in the documents, Clave in the statement.
enum class ColumnaDelCliente { Cliente, Clave };

// Builds in cSQL the date-range and customer condition of one source query, on that column.
// A field that is not a date leaves that end open; a blank code means every customer. The code
// is escaped for cn.
void ArmaFiltro(QString& cSQL, ColumnaDelCliente columna, const Solicitud& solicitud,
                const qm::libQMCM& libQMCM, const qm::Utilerias& Utilerias, qm::Conexion& cn);

} // namespace movimientos
