#pragma once

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace motor {

// Finished pages, in points (1/72 inch) from the page's top left corner. The preview, the
// printer and the PDF only draw these.
enum class Estilo : std::uint8_t {
    Titulo,
    Fecha,
    Encabezado,
    Normal,
    Grupo,
    Total,
    TotalClaro,
    Pie,
    Aviso
};
inline constexpr int NumeroEstilos = 9;

struct DefinicionEstilo {
    double puntos;
    bool negrita;
    bool cursiva;
    QRgb color;
};
const DefinicionEstilo& Define(Estilo estilo);

struct TextoPagina {
    QPointF base; // left end of the baseline
    QString texto;
    Estilo estilo;
};
struct RellenoPagina {
    QRectF rect;
    QRgb color;
};
struct LineaPagina {
    QLineF linea;
    double grosor;
    QRgb color;
};

struct Pagina {
    std::vector<RellenoPagina> rellenos;
    std::vector<LineaPagina> lineas;
    std::vector<TextoPagina> textos;
};

struct Documento {
    QString titulo;
    QSizeF tamano; // points
    bool carta = true;
    bool horizontal = false;
    double margen = 0; // points round the page's edge where nothing is drawn
    std::vector<Pagina> paginas;

    // What the preview, the printer and the PDF ask for: how many pages, and page i (from 0).
    // HazPagina may be called from several threads at once.
    std::size_t NumeroPaginas() const { return paginas.size(); }
    Pagina HazPagina(std::size_t i) const { return paginas[i]; }
};

} // namespace motor
