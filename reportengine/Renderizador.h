#pragma once

#include "reportengine/Cuentas.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/Membrete.h"
#include "reportengine/Paginas.h"
#include "reportengine/Plantilla.h"

#include <QDateTime>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>

namespace motor {

// Called now and then while laying out: rows done, rows in all, pages so far.
using Avance = std::function<void(std::size_t hechas, std::size_t total, std::size_t paginas)>;

// Called once while laying out, as soon as the first page is laid out: a document of that page
// alone, without its page number, which is not known yet.
using PrimeraPagina = std::function<void(std::shared_ptr<const Documento> primera)>;

// What a document other than the whole report changes: a statement is one group's pages.
struct Encargo {
    QString titulo; // "" for the layout's
    // The line under the title on every page: the request the report answers ("Del 01/11/2026
    // al 30/11/2026 · Todos los clientes") or a statement's period; "" for none.
    QString subtitulo;
    std::size_t grupo = 0;                                        // the first group laid out
    std::size_t grupos = std::numeric_limits<std::size_t>::max(); // how many; all by default
    bool totalGeneral = true;
    bool antiguedad = false; // the box "Antigüedad del saldo" under each closing balance
    // The shop's letterhead in a band at the top of every page; none when null.
    std::shared_ptr<const Membrete> membrete;
};

// Lays the rows out into finished pages: title, printed date, the encargo's subtitle (no line
// when empty) and "Página x de y" on every page, the column headings repeated on every page, a
// band per group with its opening balance, its rows (never split), its totals and closing
// balance, then the grand total. The numbers come summed (as CalculaCuentas gives them).
// The pages are made when drawn: this only goes once through the rows to find where each page
// starts, and the document keeps the rows and the numbers for that.
Documento Renderiza(std::shared_ptr<const DatosReporte> datos,
                    std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno,
                    const QDateTime& impreso, const Encargo& encargo, const Avance& avance = {},
                    const PrimeraPagina& primera = {});

} // namespace motor
