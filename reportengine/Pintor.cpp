#include "reportengine/Pintor.h"

#include <QGlyphRun>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <array>
#include <cmath>

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

namespace {
// The style's font at the size that gives its points on the device.
QFont FuenteEnDispositivo(const QPaintDevice* dispositivo, Estilo estilo, double escala) {
    // A font's point size is taken in the device's own resolution.
    const double dpi = dispositivo ? dispositivo->logicalDpiY() : 72.0;
    QFont f = FuenteEstilo(estilo);
    f.setPointSizeF(Define(estilo).puntos * escala * 72.0 / dpi);
    return f;
}
QFont FuenteEnDispositivo(const QPainter& pintor, Estilo estilo, double escala) {
    return FuenteEnDispositivo(pintor.device(), estilo, escala);
}

// Every letter a report is likely to hold.
QString Muestrario() {
    QString letras;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        letras += QChar(c);
    // Latin-1 and Latin Extended-A, but the soft hyphen, which draws nothing.
    for (char16_t c = 0xA0; c <= 0x17F; ++c) {
        if (c != 0xAD)
            letras += QChar(c);
    }
    letras += QStringView(u"\u2013\u2014\u2018\u2019\u201A\u201C\u201D\u201E\u2022\u2026\u20AC");
    return letras;
}

// Where a text's second glyph starts, in 1/64 of a pixel, as drawText lays it; how many glyphs.
struct Medida {
    int segundo = -1;
    int glifos = 0;
};
Medida Mide(const QString& texto, const QFont& fuente, const QPaintDevice& dispositivo) {
    QTextLayout capa(texto, fuente, &dispositivo);
    capa.beginLayout();
    capa.createLine();
    capa.endLayout();
    Medida m;
    for (const QGlyphRun& r : capa.glyphRuns()) {
        m.glifos += int(r.glyphIndexes().size());
        if (r.positions().size() > 1)
            m.segundo = int(std::lround((r.positions()[1].x() - r.positions()[0].x()) * 64));
    }
    return m;
}
} // namespace

LetrasPreparadas::LetrasPreparadas(const QPaintDevice& dispositivo, double escala) {
    const QString alfabeto = QStringLiteral("0123456789.,-/: ");
    for (int e = 0; e < NumeroEstilos; ++e) {
        Letras& l = estilos_[std::size_t(e)];
        const QFont fuente(FuenteEnDispositivo(&dispositivo, Estilo(e), escala), &dispositivo);
        l.fuente = QRawFont::fromFont(fuente);
        for (const QChar c : alfabeto) {
            const QList<quint32> g = l.fuente.glyphIndexesForString(QString(c));
            if (g.size() == 1 && g[0] != 0) {
                l.glifo[c.unicode()] = g[0];
                l.lista.set(c.unicode());
            }
        }
        // A letter's advance is where the next one starts after it, whichever that is; a letter
        // the font kerns against some other, or shapes other than one glyph each, is left out.
        std::bitset<128> fuera;
        for (const QChar a : alfabeto) {
            int avance = -1;
            for (const QChar b : alfabeto) {
                if (!l.lista[a.unicode()] || !l.lista[b.unicode()])
                    continue;
                const Medida m = Mide(QString(a) + b, fuente, dispositivo);
                if (m.glifos != 2 || m.segundo < 0 || (avance >= 0 && m.segundo != avance))
                    fuera.set(a.unicode());
                avance = m.segundo;
            }
            l.avance[a.unicode()] = avance;
        }
        l.lista &= ~fuera;
    }
}

bool LetrasPreparadas::Dibuja(QPainter& pintor, const TextoPagina& t, double escala) const {
    const Letras& l = estilos_[std::size_t(t.estilo)];
    for (const QChar c : t.texto) {
        if (c.unicode() >= 128 || !l.lista[c.unicode()])
            return false;
    }
    // drawText starts from the point cut to 1/64 of a pixel and adds each letter's advance.
    const QPointF base = t.base * escala;
    int x = int(base.x() * 64);
    const double y = int(base.y() * 64) / 64.0;
    QList<quint32> glifos;
    QList<QPointF> posiciones;
    glifos.reserve(t.texto.size());
    posiciones.reserve(t.texto.size());
    for (const QChar c : t.texto) {
        glifos.append(l.glifo[c.unicode()]);
        posiciones.append(QPointF(x / 64.0, y));
        x += l.avance[c.unicode()];
    }
    QGlyphRun corrida;
    corrida.setRawFont(l.fuente);
    corrida.setGlyphIndexes(glifos);
    corrida.setPositions(posiciones);
    pintor.drawGlyphRun(QPointF(0, 0), corrida);
    return true;
}

void PintaPagina(QPainter& pintor, const Pagina& pagina, double escala,
                 const LetrasPreparadas* letras) {
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
    if (!pagina.imagenes.empty())
        pintor.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const ImagenPagina& i : pagina.imagenes) {
        // The whole image, never a part: a part would be a new image in a PDF on every page.
        pintor.drawImage(QRectF(i.rect.topLeft() * escala, i.rect.size() * escala), *i.imagen);
    }
    std::array<QFont, NumeroEstilos> fuentes;
    for (int i = 0; i < NumeroEstilos; ++i)
        fuentes[std::size_t(i)] = FuenteEnDispositivo(pintor, Estilo(i), escala);
    int actual = -1;
    for (const TextoPagina& t : pagina.textos) {
        if (int(t.estilo) != actual) {
            actual = int(t.estilo);
            pintor.setFont(fuentes[std::size_t(actual)]);
            pintor.setPen(QColor::fromRgba(Define(t.estilo).color));
        }
        if (!letras || !letras->Dibuja(pintor, t, escala))
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

void PintaMuestrario(QPainter& pintor, double escala) {
    pintor.save();
    pintor.setPen(Qt::black);
    double base = 40;
    for (const Estilo e : {Estilo::Normal, Estilo::Total}) {
        pintor.setFont(FuenteEnDispositivo(pintor, e, escala));
        pintor.drawText(QPointF(20, base) * escala, Muestrario());
        base += 20;
    }
    pintor.restore();
}

} // namespace motor
