#pragma once

#include "reportengine/Avance.h"
#include "reportengine/Paginas.h"

#include <QString>

namespace motor {

// Writes the pages to a PDF file (300 dpi, fonts embedded), each page made, written and dropped;
// avance is told the pages done. Fails with ErrorSalida, or Cancelado when avance stops it.
void EscribePdf(const Documento& documento, const QString& ruta, const AvanceSalida& avance = {});

} // namespace motor
