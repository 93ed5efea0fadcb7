#pragma once

#include "reportengine/Paginas.h"

class QPrinter;

namespace motor {

// Prints the pages on a printer that is already chosen. Fails with ErrorSalida.
void Imprime(const Documento& documento, QPrinter& impresora);

} // namespace motor
