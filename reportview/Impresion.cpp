#include "reportview/Impresion.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace motor {

void PreparaImpresora(const Documento& d, QPrinter& impresora) {
    // Size and orientation only: the printer keeps the margins its hardware needs.
    impresora.setPageSize(QPageSize(d.carta ? QPageSize::Letter : QPageSize::A4));
    impresora.setPageOrientation(d.horizontal ? QPageLayout::Landscape : QPageLayout::Portrait);
    impresora.setDocName(d.titulo);
}

std::vector<int> PaginasPedidas(const QPrinter& impresora, int paginas, int actual) {
    std::vector<int> pedidas;
    switch (impresora.printRange()) {
    case QPrinter::PageRange: {
        QList<QPageRanges::Range> rangos = impresora.pageRanges().toRangeList();
        if (rangos.isEmpty() && impresora.fromPage() > 0)
            rangos.append(
                {impresora.fromPage(), std::max(impresora.fromPage(), impresora.toPage())});
        for (const QPageRanges::Range& r : rangos) {
            for (int p = std::max(1, r.from); p <= std::min(paginas, r.to); ++p)
                pedidas.push_back(p - 1);
        }
        break;
    }
    case QPrinter::CurrentPage:
        if (paginas > 0)
            pedidas.push_back(std::clamp(actual, 0, paginas - 1));
        break;
    default:
        for (int p = 0; p < paginas; ++p)
            pedidas.push_back(p);
    }
    if (impresora.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pedidas.begin(), pedidas.end());
    return pedidas;
}

void Imprime(const Documento& d, QPrinter& impresora, int paginaActual) {
    const std::vector<int> pedidas =
        PaginasPedidas(impresora, int(d.NumeroPaginas()), paginaActual);
    if (pedidas.empty())
        throw ErrorMotor(errores::ErrorSalida,
                         QStringLiteral("Las páginas pedidas no están en el reporte, que tiene %1.")
                             .arg(d.NumeroPaginas()));
    // Most printers (CUPS) make the copies themselves; printing them here too would double them.
    const int copias = impresora.supportsMultipleCopies() ? 1 : std::max(1, impresora.copyCount());
    std::vector<int> hojas;
    if (impresora.collateCopies()) {
        for (int c = 0; c < copias; ++c)
            hojas.insert(hojas.end(), pedidas.begin(), pedidas.end());
    } else {
        for (const int p : pedidas)
            hojas.insert(hojas.end(), std::size_t(copias), p);
    }

    impresora.setFullPage(true);
    impresora.setDocName(d.titulo);
    QPainter pintor;
    if (!pintor.begin(&impresora))
        throw ErrorMotor(
            errores::ErrorSalida,
            QStringLiteral("No se pudo imprimir en «%1».").arg(impresora.printerName()));
    // The whole page on the paper, centred; if that leaves some of what is drawn outside the
    // printable area, what is drawn is fitted to the printable area instead.
    const double puntoAPixel = impresora.resolution() / 72.0;
    const QRectF papel = impresora.paperRect(QPrinter::DevicePixel);
    const QRectF util = impresora.pageLayout().paintRectPixels(impresora.resolution());
    const QRectF hoja(QPointF(0, 0), d.tamano * puntoAPixel);
    const QRectF dibujo = hoja.adjusted(d.margen * puntoAPixel, d.margen * puntoAPixel,
                                        -d.margen * puntoAPixel, -d.margen * puntoAPixel);
    auto ajusta = [](const QRectF& que, const QRectF& donde) {
        return std::min(donde.width() / que.width(), donde.height() / que.height());
    };
    double escala = ajusta(hoja, papel);
    QPointF origen = papel.center() - hoja.center() * escala;
    const QRectF dibujado(origen + dibujo.topLeft() * escala, dibujo.size() * escala);
    if (!util.adjusted(-0.5, -0.5, 0.5, 0.5).contains(dibujado)) {
        escala = ajusta(dibujo, util);
        origen = util.center() - dibujo.center() * escala;
    }
    for (std::size_t i = 0; i < hojas.size(); ++i) {
        if (i > 0)
            impresora.newPage();
        pintor.save();
        pintor.translate(origen);
        // Each page is made, printed and dropped.
        PintaPagina(pintor, d.HazPagina(std::size_t(hojas[i])), escala * puntoAPixel);
        pintor.restore();
    }
    pintor.end();
}

} // namespace motor
