#pragma once

#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace motor {

// Finished pages, in points (1/72 inch) from the page's top left corner. The preview, the
// printer and the PDF only draw these, each page made when it is drawn.
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

// An image scaled into its rectangle. The same QImage on every page, so that a PDF holds it once.
struct ImagenPagina {
    QRectF rect;
    std::shared_ptr<const QImage> imagen;
};

struct Pagina {
    std::vector<RellenoPagina> rellenos;
    std::vector<LineaPagina> lineas;
    std::vector<TextoPagina> textos;
    std::vector<ImagenPagina> imagenes;
};

// Makes a document's pages when they are asked for; Haz may be called from several threads at
// once.
class FuentePaginas {
public:
    virtual ~FuentePaginas() = default;
    virtual std::size_t Numero() const = 0;
    virtual Pagina Haz(std::size_t i) const = 0;
};

// Pages made beforehand and held (a few, as a test draws them).
class PaginasHechas : public FuentePaginas {
public:
    explicit PaginasHechas(std::vector<Pagina> paginas) : paginas_(std::move(paginas)) {}
    std::size_t Numero() const override { return paginas_.size(); }
    Pagina Haz(std::size_t i) const override { return paginas_[i]; }

private:
    std::vector<Pagina> paginas_;
};

struct Documento {
    QString titulo;
    QSizeF tamano; // points
    bool carta = true;
    bool horizontal = false;
    double margen = 0; // points round the page's edge where nothing is drawn
    std::shared_ptr<const FuentePaginas> fuente;

    // What the preview, the printer and the PDF ask for: how many pages, and page i (from 0),
    // made when asked for and not kept. HazPagina may be called from several threads at once.
    std::size_t NumeroPaginas() const { return fuente ? fuente->Numero() : 0; }
    Pagina HazPagina(std::size_t i) const { return fuente->Haz(i); }
};

} // namespace motor
