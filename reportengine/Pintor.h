#pragma once

#include "reportengine/Paginas.h"

#include <QFont>
#include <QPageLayout>
#include <QRawFont>
#include <array>
#include <bitset>

class QPagedPaintDevice;
class QPainter;

namespace motor {

// The font of a style at a size in points, the same for measuring and drawing.
QFont FuenteEstilo(Estilo estilo);

// The glyphs of the letters figures are made of (digits, signs, the space), per style, placed as
// QPainter::drawText places them on one device: drawing a figure then needs no shaping. Only
// letters that the font never kerns against each other are taken.
class LetrasPreparadas {
public:
    LetrasPreparadas(const QPaintDevice& dispositivo, double escala);
    // Draws the text as glyphs when every letter of it is prepared; else false, drawing nothing.
    bool Dibuja(QPainter& pintor, const TextoPagina& texto, double escala) const;

private:
    struct Letras {
        QRawFont fuente;
        std::array<quint32, 128> glifo{};
        std::array<int, 128> avance{}; // 1/64 of a pixel, the letter spacing included
        std::bitset<128> lista;
    };
    std::array<Letras, NumeroEstilos> estilos_;
};

// Draws one page; escala is device pixels per point. The painter's transform is left alone.
// With letras, the texts made of prepared letters are drawn as glyphs, the same as drawText.
void PintaPagina(QPainter& pintor, const Pagina& pagina, double escala,
                 const LetrasPreparadas* letras = nullptr);

// The sheet of paper the document is laid out on, without margins.
QPageLayout HojaDeDocumento(const Documento& documento);

// Draws every page, a new page on the device before each but the first.
void PintaDocumento(const Documento& documento, QPagedPaintDevice& dispositivo, QPainter& pintor,
                    double escala);

// Draws every letter a report is likely to hold (ASCII, Latin-1, Latin Extended-A and the usual
// punctuation) in the regular and the bold face, so that a PDF's fonts take up those glyphs in a
// known order.
void PintaMuestrario(QPainter& pintor, double escala);

} // namespace motor
