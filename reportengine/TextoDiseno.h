#pragma once

#include "reportengine/Plantilla.h"

#include <QString>

namespace motor {

// The readable form of a layout: one "key: value" line each, values split by "|".
// EscribeDiseno gives the one canonical text; LeeDiseno reads it back and checks it against
// a template of tablas tables. A fault is ErrorMotor PlantillaDanada naming the line.
QString EscribeDiseno(const Diseno& diseno);
Diseno LeeDiseno(const QString& texto, int tablas);

// The template source that the compiler reads: "tabla: driver | data source | table" lines
// in table order, then the layout lines. Comments start with "#".
Plantilla LeeFuente(const QString& texto);

// Checks what the text form cannot carry or the engine cannot use.
void ValidaDiseno(const Diseno& diseno, int tablas);

} // namespace motor
