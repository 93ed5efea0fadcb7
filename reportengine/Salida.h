#pragma once

#include "reportengine/Paginas.h"

#include <QString>

namespace motor {

// Writes the pages to a PDF file (300 dpi, fonts embedded). Fails with ErrorSalida.
void EscribePdf(const Documento& documento, const QString& ruta);

} // namespace motor
