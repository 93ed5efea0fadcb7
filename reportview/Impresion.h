#pragma once

#include "reportengine/Paginas.h"

#include <vector>

class QPrinter;

namespace motor {

// Puts the printer on the report's own paper and orientation: before the print dialog opens,
// and where no dialog is shown.
void PreparaImpresora(const Documento& documento, QPrinter& impresora);

// Prints on a printer already chosen and set up (by the print dialog or PreparaImpresora) the
// pages it asks for: all, a range ("2-3", "1,4-5") or the current one (paginaActual, from 0).
// Each page is scaled to the printer's paper and orientation, keeping its proportions, so that
// nothing falls outside the printable area. Copies the printer cannot make itself are printed
// here, collated or not. Fails with ErrorSalida.
void Imprime(const Documento& documento, QPrinter& impresora, int paginaActual = 0);

// The pages (from 0) that the printer's range and page order ask for, of a report of that many.
std::vector<int> PaginasPedidas(const QPrinter& impresora, int paginas, int paginaActual);

} // namespace motor
