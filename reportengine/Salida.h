#pragma once

#include "reportengine/Paginas.h"

#include <QString>

class QPrinter;

namespace motor {

// Writes the pages to a PDF file (300 dpi, fonts embedded). Fails with ErrorSalida.
void EscribePdf(const Documento& documento, const QString& ruta);

// Prints the pages on a printer that is already chosen. Fails with ErrorSalida.
void Imprime(const Documento& documento, QPrinter& impresora);

} // namespace motor
