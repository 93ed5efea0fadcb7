#pragma once

// Rows of a one-table result written back with SQL of their own: a new row (INSERT) or the row
// as read, found again by its values (UPDATE ... LIMIT 1). Internal to the host library.

#include "host/ColumnaResultado.h"
#include "host/Sesion.h"

#include <QVariant>
#include <optional>
#include <vector>

namespace qm {

// The values set for a row, one per column; an empty one was not set.
using CambiosFila = std::vector<std::optional<QVariant>>;

// Fits an assigned value to the column's own kind, so that the row kept in memory holds what
// the server stores.
QVariant Ajusta(const Columna& c, const QVariant& valor);

// Writes rows into the one table that the columns were read from, on the session they came
// from; both must outlive it.
class EscritorFilas {
public:
    EscritorFilas(Conexion::Sesion& sesion, const std::vector<Columna>& columnas);

    // Inserts the values set; gives the row as it stands now, with an auto-increment value the
    // server chose.
    std::vector<QVariant> Inserta(const CambiosFila& cambios);
    // Changes the row as read, one row only; FinDeFilas when it is no longer in the table.
    void Actualiza(const std::vector<QVariant>& fila, const CambiosFila& cambios);

private:
    QString Literal(const QVariant& v) const;
    QString Condicion(const Columna& c, const QVariant& v) const;
    QString Tabla() const;

    Conexion::Sesion& sesion_;
    const std::vector<Columna>& columnas_;
};

} // namespace qm
