#pragma once

#include "reportengine/Paginas.h"

#include <QFont>

class QPainter;

namespace motor {

// The font of a style at a size in points, the same for measuring and drawing.
QFont FuenteEstilo(Estilo estilo);

// Draws one page; escala is device pixels per point. The painter's transform is left alone.
void PintaPagina(QPainter& pintor, const Pagina& pagina, double escala);

} // namespace motor
