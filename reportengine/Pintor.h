#pragma once

#include "reportengine/Paginas.h"

#include <QFont>
#include <QPageLayout>

class QPagedPaintDevice;
class QPainter;

namespace motor {

// The font of a style at a size in points, the same for measuring and drawing.
QFont FuenteEstilo(Estilo estilo);

// Draws one page; escala is device pixels per point. The painter's transform is left alone.
void PintaPagina(QPainter& pintor, const Pagina& pagina, double escala);

// The sheet of paper the document is laid out on, without margins.
QPageLayout HojaDeDocumento(const Documento& documento);

// Draws every page, a new page on the device before each but the first.
void PintaDocumento(const Documento& documento, QPagedPaintDevice& dispositivo, QPainter& pintor,
                    double escala);

// Every letter a report is likely to hold: ASCII, Latin-1, Latin Extended-A and the usual
// punctuation.
QString Muestrario();
// Draws the sample of letters in the regular and the bold face, so that a PDF's fonts take up
// those glyphs in a known order.
void PintaMuestrario(QPainter& pintor, double escala);

} // namespace motor
