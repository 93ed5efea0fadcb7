#include "reportengine/Pintor.h"

#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <array>

namespace motor {

namespace {
constexpr QRgb Tinta = 0xFF1E2A36;
constexpr QRgb Azul = 0xFF1F3A5F;
constexpr QRgb Gris = 0xFF5F6B78;
constexpr QRgb Blanco = 0xFFFFFFFF;

constexpr std::array<DefinicionEstilo, NumeroEstilos> Estilos{{
    {15.0, true, false, Azul},  // Titulo
    {8.0, false, false, Gris},  // Fecha
    {7.5, true, false, Blanco}, // Encabezado
    {7.5, false, false, Tinta}, // Normal
    {9.0, true, false, Azul},   // Grupo
    {7.5, true, false, Tinta},  // Total
    {8.0, true, false, Blanco}, // TotalClaro
    {7.0, false, false, Gris},  // Pie
    {9.5, false, true, Gris},   // Aviso
}};
} // namespace

const DefinicionEstilo& Define(Estilo estilo) {
    return Estilos[std::size_t(estilo)];
}

QFont FuenteEstilo(Estilo estilo) {
    const DefinicionEstilo& d = Define(estilo);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setBold(d.negrita);
    f.setItalic(d.cursiva);
    f.setPointSizeF(d.puntos);
    // Any letter spacing turns ligatures off, so "fi" stays two letters when the PDF is read.
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.02);
    return f;
}

void PintaPagina(QPainter& pintor, const Pagina& pagina, double escala) {
    pintor.save();
    pintor.setRenderHint(QPainter::Antialiasing, true);
    pintor.setRenderHint(QPainter::TextAntialiasing, true);
    pintor.setPen(Qt::NoPen);
    for (const RellenoPagina& r : pagina.rellenos) {
        const QRectF d(r.rect.x() * escala, r.rect.y() * escala, r.rect.width() * escala,
                       r.rect.height() * escala);
        pintor.fillRect(d, QColor::fromRgba(r.color));
    }
    for (const LineaPagina& l : pagina.lineas) {
        QPen pluma(QColor::fromRgba(l.color));
        pluma.setWidthF(l.grosor * escala);
        pluma.setCapStyle(Qt::FlatCap);
        pintor.setPen(pluma);
        pintor.drawLine(QLineF(l.linea.p1() * escala, l.linea.p2() * escala));
    }
    // A font's point size is taken in the device's own resolution.
    const double dpi = pintor.device() ? pintor.device()->logicalDpiY() : 72.0;
    std::array<QFont, NumeroEstilos> fuentes;
    for (int i = 0; i < NumeroEstilos; ++i) {
        fuentes[std::size_t(i)] = FuenteEstilo(Estilo(i));
        fuentes[std::size_t(i)].setPointSizeF(Define(Estilo(i)).puntos * escala * 72.0 / dpi);
    }
    int actual = -1;
    for (const TextoPagina& t : pagina.textos) {
        if (int(t.estilo) != actual) {
            actual = int(t.estilo);
            pintor.setFont(fuentes[std::size_t(actual)]);
            pintor.setPen(QColor::fromRgba(Define(t.estilo).color));
        }
        pintor.drawText(t.base * escala, t.texto);
    }
    pintor.restore();
}

QPageLayout HojaDeDocumento(const Documento& d) {
    return QPageLayout(QPageSize(d.carta ? QPageSize::Letter : QPageSize::A4),
                       d.horizontal ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

void PintaDocumento(const Documento& d, QPagedPaintDevice& dispositivo, QPainter& pintor,
                    double escala) {
    for (std::size_t i = 0; i < d.NumeroPaginas(); ++i) {
        if (i > 0)
            dispositivo.newPage();
        PintaPagina(pintor, d.HazPagina(i), escala);
    }
}

} // namespace motor
