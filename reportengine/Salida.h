#pragma once

#include "reportengine/Avance.h"
#include "reportengine/Paginas.h"

#include <QString>

namespace motor {

// Writes the pages to a PDF file (300 dpi, fonts embedded once). A long document is written in
// two halves at once, on two threads, then joined. avance hears pages done and in all; when it
// returns false the write stops with errores::Cancelado. Any other failure is ErrorSalida; either
// way an older file of that name stays as it was.
void EscribePdf(const Documento& documento, const QString& ruta, const AvanceSalida& avance = {});

} // namespace motor
