#pragma once

#include "reportengine/DatosReporte.h"
#include "reportengine/Paginas.h"
#include "reportengine/Plantilla.h"

#include <QDateTime>
#include <cstddef>
#include <functional>

namespace motor {

// Called now and then while laying out: rows done, rows in all, pages so far.
using Avance = std::function<void(std::size_t hechas, std::size_t total, std::size_t paginas)>;

// Lays the rows out into finished pages: title, printed date, the request the report answers
// (solicitud, "Del 01/11/2026 al 30/11/2026 · Todos los clientes"; no line when empty) and
// "Página x de y" on every page, the column headings repeated on every page, a band per group with
// its opening balance, its rows (never split), its totals and closing balance, then the grand
// total.
Documento Renderiza(const DatosReporte& datos, const Diseno& diseno, const QDateTime& impreso,
                    const Avance& avance = {}, const QString& solicitud = {});

} // namespace motor
