#include "reportengine/Renderizador.h"

#include "reportengine/Formatos.h"
#include "reportengine/Pintor.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace motor {

namespace {

constexpr QRgb Azul = 0xFF1F3A5F;
constexpr QRgb Banda = 0xFFE3EAF3;
constexpr QRgb Cebra = 0xFFF4F7FA;
constexpr QRgb Regla = 0xFFB8C4D2;
// The footer's rule: lighter than the grey the texts of the date and the footer are drawn in.
constexpr QRgb GrisClaro = 0xFF8894A0;

constexpr double Margen = 36.0;
constexpr double AltoEncabezado = 16.0;
constexpr double AltoFila = 12.5;
constexpr double AltoGrupo = 21.0;
constexpr double AltoPieGrupo = 17.0;
constexpr double Separacion = 9.0;
constexpr double AltoTotal = 34.0;
constexpr double Relleno = 3.0;
// The letterhead's band: the logo's box, then the texts; the page's heading goes under it.
constexpr double AltoMembrete = 60.0;
constexpr double AltoLogo = 48.0;
constexpr double AnchoLogo = 150.0;

// Text widths in points, measured on a fine grid so that hinting does not skew them.
class Medidor {
public:
    Medidor() : referencia_(1, 1, QImage::Format_RGB32) {
        const int ppm = int(720.0 / 0.0254 + 0.5);
        referencia_.setDotsPerMeterX(ppm);
        referencia_.setDotsPerMeterY(ppm);
        for (int i = 0; i < NumeroEstilos; ++i) {
            metricas_[std::size_t(i)] =
                std::make_unique<QFontMetricsF>(FuenteEstilo(Estilo(i)), &referencia_);
            anchos_[std::size_t(i)].fill(-1.0);
        }
    }
    double Ancho(const QString& texto, Estilo e) {
        const std::size_t s = std::size_t(e);
        double total = 0;
        for (const QChar c : texto) {
            const char16_t u = c.unicode();
            if (u >= 128)
                return metricas_[s]->horizontalAdvance(texto) / Escala;
            double& a = anchos_[s][u];
            if (a < 0)
                a = metricas_[s]->horizontalAdvance(c) / Escala;
            total += a;
        }
        return total;
    }
    QString Recorta(const QString& texto, Estilo e, double ancho) {
        if (Ancho(texto, e) <= ancho)
            return texto;
        return metricas_[std::size_t(e)]->elidedText(texto, Qt::ElideRight, ancho * Escala);
    }

private:
    static constexpr double Escala = 10.0; // 720 dpi against 72 points per inch
    QImage referencia_;
    std::array<std::unique_ptr<QFontMetricsF>, NumeroEstilos> metricas_;
    std::array<std::array<double, 128>, NumeroEstilos> anchos_;
};

// Where a page starts in the rows: the group under way at its top and how far it got.
enum class Fase : std::uint8_t {
    Grupo,      // the group starts with its band
    Filas,      // the group goes on at row posicion, under a band "(continúa)"
    Antiguedad, // the group's ageing box, under a band "(continúa)"
    Total       // the grand total
};
struct InicioPagina {
    std::size_t grupo = 0;
    std::size_t posicion = 0; // in print order
    Fase fase = Fase::Grupo;
};

// What a group's band says on its right.
enum class ClaseBanda : std::uint8_t {
    Inicio,    // the opening balance
    Continua,  // the balance brought forward to the row that follows
    Antiguedad // the closing balance, over its ageing
};

// The report laid out: what every page needs, fixed once, and where each page starts.
struct Reporte {
    std::shared_ptr<const DatosReporte> datos;
    std::shared_ptr<const Cuentas> cuentas;
    Diseno diseno;
    Encargo encargo;
    QString titulo;
    QString impreso;
    QSizeF tamano;
    std::size_t primero = 0, ultimo = 0, filas = 0;
    double izquierda = 0, derecha = 0, fondo = 0;
    double arriba = 0; // where the heading starts: under the letterhead when there is one
    std::shared_ptr<const QImage> logo;
    QSizeF tamanoLogo;
    std::vector<double> xs, anchos;
    std::vector<InicioPagina> inicios;
};

// The paper of a report's document, without its pages.
Documento Papel(const Reporte& r) {
    Documento doc;
    doc.titulo = r.titulo;
    doc.tamano = r.tamano;
    doc.carta = r.diseno.carta;
    doc.horizontal = r.diseno.horizontal;
    // Half the margin stays white whatever is printed near it.
    doc.margen = Margen / 2;
    return doc;
}

// Goes through the rows as the pages take them. Without a page it only measures heights,
// recording where each page starts; with one it draws that page from its start to the next.
class Maquetador {
public:
    Maquetador(const Reporte& r, Medidor* medidor, Pagina* pagina)
        : r_(r), datos_(*r.datos), diseno_(r.diseno), lugares_(r.datos->lugares), medidor_(medidor),
          pagina_(pagina) {}

    // Every page's start, the first one included.
    std::vector<InicioPagina> Mide(const Avance& avance, const PrimeraPagina& primera) {
        avance_ = &avance;
        primera_ = &primera;
        inicios_.push_back({r_.primero,
                            r_.primero < r_.ultimo ? datos_.grupos[r_.primero].desde : 0,
                            Fase::Grupo});
        Recorre(inicios_.front());
        if (inicios_.size() == 1)
            Primera();
        return std::move(inicios_);
    }

    void Dibuja(std::size_t numero) {
        Recorre(r_.inicios[numero]);
        Pie(numero);
    }

private:
    bool Dibujando() const { return pagina_ != nullptr; }

    void Recorre(const InicioPagina& inicio) {
        Cabecera();
        if (r_.filas == 0 && Dibujando()) {
            Rellena(QRectF(r_.izquierda, y_ + 8, r_.derecha - r_.izquierda, 30), Banda);
            const double ancho = medidor_->Ancho(diseno_.sinDatos, Estilo::Aviso);
            Texto((r_.izquierda + r_.derecha - ancho) / 2, y_ + 27, diseno_.sinDatos,
                  Estilo::Aviso);
        }
        if (inicio.fase != Fase::Total) {
            for (std::size_t g = inicio.grupo; g < r_.ultimo && !fin_; ++g) {
                if (g == inicio.grupo)
                    Grupo(g, inicio.fase, inicio.posicion, true);
                else
                    Grupo(g, Fase::Grupo, datos_.grupos[g].desde, false);
            }
        }
        if (!fin_ && r_.filas > 0 && r_.encargo.totalGeneral)
            TotalGeneral(inicio.fase == Fase::Total);
    }

    // The page ends here; the next starts at siguiente. Measuring, the new page begins; drawing,
    // the page is done.
    void Salto(const InicioPagina& siguiente) {
        if (Dibujando()) {
            fin_ = true;
            return;
        }
        inicios_.push_back(siguiente);
        if (inicios_.size() == 2)
            Primera();
        Cabecera();
    }

    void Primera() const {
        if (!*primera_)
            return;
        Medidor medidor;
        Pagina pagina;
        Maquetador(r_, &medidor, &pagina).Recorre(inicios_.front());
        Documento d = Papel(r_);
        d.fuente = std::make_shared<const PaginasHechas>(std::vector<Pagina>{std::move(pagina)});
        (*primera_)(std::make_shared<const Documento>(std::move(d)));
    }

    double Numero(int columna, std::size_t fila) const {
        return datos_.tabla[columna].Numero(fila);
    }

    void Rellena(const QRectF& rect, QRgb color) {
        if (Dibujando())
            pagina_->rellenos.push_back({rect, color});
    }
    void Linea(double x1, double y1, double x2, double y2, double grosor, QRgb color) {
        if (Dibujando())
            pagina_->lineas.push_back({QLineF(x1, y1, x2, y2), grosor, color});
    }
    void Texto(double x, double base, QString texto, Estilo e) {
        if (Dibujando() && !texto.isEmpty())
            pagina_->textos.push_back({QPointF(x, base), std::move(texto), e});
    }
    void Derecha(double x, double base, const QString& texto, Estilo e) {
        if (Dibujando())
            Texto(x - medidor_->Ancho(texto, e), base, texto, e);
    }
    // A text in column c, cut to fit it.
    void Celda(std::size_t c, double base, const QString& texto, Estilo e, Alineacion a) {
        if (!Dibujando() || texto.isEmpty())
            return;
        const double util = r_.anchos[c] - 2 * Relleno;
        const QString t = medidor_->Recorta(texto, e, util);
        const double ancho = medidor_->Ancho(t, e);
        double x = r_.xs[c] + Relleno;
        if (a == Alineacion::Derecha)
            x = r_.xs[c] + r_.anchos[c] - Relleno - ancho;
        else if (a == Alineacion::Centro)
            x = r_.xs[c] + (r_.anchos[c] - ancho) / 2;
        Texto(x, base, t, e);
    }

    // The shop's name and address on the left, beside the logo; tax id and phone on the right.
    void Membrete() {
        const motor::Membrete& m = *r_.encargo.membrete;
        double x = r_.izquierda;
        if (r_.logo) {
            pagina_->imagenes.push_back({QRectF(QPointF(x, Margen), r_.tamanoLogo), r_.logo});
            x += r_.tamanoLogo.width() + 10;
        }
        const double ancho = r_.derecha - x;
        QStringList derecha;
        if (!m.identificacionFiscal.trimmed().isEmpty() || !m.telefono.trimmed().isEmpty()) {
            motor::Membrete cifras;
            cifras.etiquetaFiscal = m.etiquetaFiscal;
            cifras.identificacionFiscal = m.identificacionFiscal;
            cifras.telefono = m.telefono;
            derecha = cifras.Lineas();
        }
        double base = Margen + 10;
        if (!m.nombre.trimmed().isEmpty()) {
            Texto(x, base, medidor_->Recorta(m.nombre.trimmed(), Estilo::Grupo, ancho * 0.62),
                  Estilo::Grupo);
            base += 12;
        }
        for (qsizetype i = 0; i < m.direccion.size() && i < LineasDireccion; ++i) {
            if (m.direccion[i].trimmed().isEmpty())
                continue;
            Texto(x, base, medidor_->Recorta(m.direccion[i].trimmed(), Estilo::Fecha, ancho * 0.62),
                  Estilo::Fecha);
            base += 10;
        }
        base = Margen + 10;
        for (const QString& linea : derecha) {
            Derecha(r_.derecha, base, medidor_->Recorta(linea, Estilo::Fecha, ancho * 0.36),
                    Estilo::Fecha);
            base += 11;
        }
        const double regla = Margen + AltoMembrete - 6;
        Linea(r_.izquierda, regla, r_.derecha, regla, 0.6, Regla);
    }

    // The top of a page: the letterhead, title, printed date, subtitle, column headings.
    void Cabecera() {
        if (Dibujando() && r_.encargo.membrete)
            Membrete();
        const double base = r_.arriba + 14;
        double regla = base + 7;
        if (!r_.encargo.subtitulo.isEmpty())
            regla = base + 21;
        const double arriba = regla + 7;
        if (Dibujando()) {
            pagina_->textos.reserve(512);
            Texto(r_.izquierda, base, r_.titulo, Estilo::Titulo);
            Derecha(r_.derecha, base, r_.impreso, Estilo::Fecha);
            // Every page says which request it answers, so that a loose sheet still does.
            if (!r_.encargo.subtitulo.isEmpty())
                Texto(r_.izquierda, base + 16,
                      medidor_->Recorta(r_.encargo.subtitulo, Estilo::Fecha,
                                        r_.derecha - r_.izquierda),
                      Estilo::Fecha);
            Linea(r_.izquierda, regla, r_.derecha, regla, 1.4, Azul);
            Rellena(QRectF(r_.izquierda, arriba, r_.derecha - r_.izquierda, AltoEncabezado), Azul);
            for (std::size_t c = 0; c < diseno_.columnas.size(); ++c) {
                const ColumnaDiseno& col = diseno_.columnas[c];
                Celda(c, arriba + 11, col.titulo, Estilo::Encabezado, col.alineacion);
            }
        }
        y_ = arriba + AltoEncabezado + 4;
        cebra_ = false;
    }

    bool Cabe(double alto) const { return y_ + alto <= r_.fondo; }

    void BandaGrupo(std::size_t numero, ClaseBanda banda, std::size_t fila) {
        if (Dibujando()) {
            const GrupoDatos& g = datos_.grupos[numero];
            Rellena(QRectF(r_.izquierda, y_ + 2, r_.derecha - r_.izquierda, AltoGrupo - 5), Banda);
            Rellena(QRectF(r_.izquierda, y_ + 2, 2.5, AltoGrupo - 5), Azul);
            QString titulo = diseno_.etiquetaGrupo + QLatin1Char(' ') + g.clave;
            if (!g.nombre.isEmpty())
                titulo += QStringLiteral(" · ") + g.nombre;
            QString derecha;
            if (banda != ClaseBanda::Inicio)
                titulo += QStringLiteral(" (continúa)");
            if (banda == ClaseBanda::Inicio && lugares_.saldoInicial >= 0)
                derecha = diseno_.etiquetaSaldoInicial + QStringLiteral(": ") +
                          FormateaImporte(Numero(lugares_.saldoInicial, fila));
            else if (banda == ClaseBanda::Continua && lugares_.saldoInicial >= 0)
                derecha = QStringLiteral("Saldo que viene: ") +
                          FormateaImporte(Numero(lugares_.saldoInicial, fila));
            else if (banda == ClaseBanda::Antiguedad)
                derecha = diseno_.etiquetaSaldoFinal + QStringLiteral(": ") +
                          FormateaImporte(r_.cuentas->grupos[numero].saldoFinal);
            const double base = y_ + 14;
            const double anchoDerecha = medidor_->Ancho(derecha, Estilo::Grupo);
            const double util = r_.derecha - r_.izquierda - 8 - anchoDerecha - 16;
            Texto(r_.izquierda + 8, base, medidor_->Recorta(titulo, Estilo::Grupo, util),
                  Estilo::Grupo);
            Derecha(r_.derecha - 6, base, derecha, Estilo::Grupo);
        }
        y_ += AltoGrupo;
        cebra_ = false;
    }

    QString Valor(std::size_t c, std::size_t fila) const {
        const int i = lugares_.columnas[c];
        if (i < 0)
            return {};
        const ColumnaDatos& col = datos_.tabla[i];
        const ColumnaDiseno& d = diseno_.columnas[c];
        switch (d.formato) {
        case FormatoCampo::Importe: {
            const double v = col.numerica() ? col.Numero(fila) : col.Texto(fila).toDouble();
            if (d.cerosVacios && v == 0.0)
                return {};
            return FormateaImporte(v);
        }
        case FormatoCampo::Fecha:
            return FormateaFecha(col.Texto(fila));
        case FormatoCampo::Hora:
        case FormatoCampo::Texto:
            return col.Texto(fila);
        }
        return {};
    }

    void Fila(std::size_t fila) {
        if (cebra_)
            Rellena(QRectF(r_.izquierda, y_, r_.derecha - r_.izquierda, AltoFila), Cebra);
        cebra_ = !cebra_;
        if (Dibujando()) {
            const double base = y_ + 9;
            for (std::size_t c = 0; c < diseno_.columnas.size(); ++c)
                Celda(c, base, Valor(c, fila), Estilo::Normal, diseno_.columnas[c].alineacion);
        }
        y_ += AltoFila;
    }

    // Group numero from where the page takes it; arriba: it starts this page.
    void Grupo(std::size_t numero, Fase fase, std::size_t posicion, bool arriba) {
        const GrupoDatos& g = datos_.grupos[numero];
        if (fase == Fase::Grupo) {
            if (!arriba &&
                !Cabe(AltoGrupo + AltoFila + (g.hasta - g.desde == 1 ? AltoPieGrupo : 0))) {
                Salto({numero, g.desde, Fase::Grupo});
                if (fin_)
                    return;
            }
            BandaGrupo(numero, ClaseBanda::Inicio, datos_.orden[g.desde]);
        } else if (fase == Fase::Filas) {
            BandaGrupo(numero, ClaseBanda::Continua, datos_.orden[posicion]);
        }
        if (fase != Fase::Antiguedad) {
            for (std::size_t i = posicion; i < g.hasta; ++i) {
                const std::size_t fila = datos_.orden[i];
                // The last row goes with the group's totals, so that they never start a page.
                const double alto = AltoFila + (i + 1 == g.hasta ? AltoPieGrupo : 0);
                if (!Cabe(alto)) {
                    Salto({numero, i, Fase::Filas});
                    if (fin_)
                        return;
                    BandaGrupo(numero, ClaseBanda::Continua, fila);
                }
                Fila(fila);
                if (!Dibujando() && ++hechas_ % 2000 == 0 && *avance_)
                    (*avance_)(hechas_, r_.filas, inicios_.size());
            }
            PieGrupo(g, r_.cuentas->grupos[numero]);
        }
        if (r_.encargo.antiguedad && lugares_.saldoFinal >= 0)
            CajaAntiguedad(numero, fase == Fase::Antiguedad);
    }

    // The closing balance by age, right under it: a heading, then each bucket and its amount.
    // On a page of its own it comes under the customer's band.
    void CajaAntiguedad(std::size_t numero, bool arriba) {
        const Antiguedad& a = r_.cuentas->grupos[numero].antiguedad;
        const bool tramos = a.sinTramos.isEmpty();
        const double alto = AltoGrupo + (tramos ? 2 * AltoFila : AltoFila) + 6;
        if (!arriba && !Cabe(alto)) {
            Salto({numero, datos_.grupos[numero].hasta, Fase::Antiguedad});
            if (fin_)
                return;
            arriba = true;
        }
        if (arriba)
            BandaGrupo(numero, ClaseBanda::Antiguedad, 0);
        const double ancho = std::min(r_.derecha - r_.izquierda, 560.0);
        const double x = r_.derecha - ancho;
        if (Dibujando()) {
            Rellena(QRectF(x, y_, ancho, alto - 4), Cebra);
            Linea(x, y_, r_.derecha, y_, 0.8, Azul);
            Texto(x + 6, y_ + 13, QStringLiteral("Antigüedad del saldo"), Estilo::Grupo);
        }
        y_ += AltoGrupo;
        if (!tramos) {
            Texto(x + 6, y_ + 9, a.sinTramos, Estilo::Total);
            y_ += AltoFila + 6;
            return;
        }
        if (Dibujando()) {
            const double columna = (ancho - 12) / double(NumeroTramos);
            for (std::size_t i = 0; i < NumeroTramos; ++i) {
                const double derecha = x + 6 + columna * double(i + 1) - Relleno;
                Derecha(derecha, y_ + 9, NombreTramo(Tramo(i)), Estilo::Normal);
                Derecha(derecha, y_ + 9 + AltoFila, FormateaImporte(double(a.centavos[i]) / 100.0),
                        Estilo::Total);
            }
        }
        y_ += 2 * AltoFila + 6;
    }

    // The label before a value in column c: right-aligned in the free columns to its left.
    void Etiqueta(std::size_t c, double base, const QString& texto, Estilo e) {
        Derecha(r_.xs[c] - Relleno, base, texto, e);
    }

    void PieGrupo(const GrupoDatos& g, const CuentaGrupo& cuenta) {
        if (Dibujando()) {
            Linea(r_.izquierda, y_ + 1, r_.derecha, y_ + 1, 0.6, Regla);
            const double base = y_ + 11;
            const std::size_t n = g.hasta - g.desde;
            Texto(r_.izquierda + Relleno, base,
                  QStringLiteral("Totales de %1 (%2 %3)")
                      .arg(g.clave)
                      .arg(n)
                      .arg(n == 1 ? QStringLiteral("movimiento") : QStringLiteral("movimientos")),
                  Estilo::Total);
            for (std::size_t c = 0; c < diseno_.columnas.size(); ++c) {
                if (diseno_.columnas[c].total)
                    Celda(c, base, FormateaImporte(cuenta.totales[c]), Estilo::Total,
                          Alineacion::Derecha);
            }
            if (lugares_.saldoFinal >= 0) {
                const QString valor = FormateaImporte(cuenta.saldoFinal);
                const QString etiqueta = diseno_.etiquetaSaldoFinal + QLatin1Char(':');
                if (lugares_.columnaSaldoFinal >= 0) {
                    const auto c = std::size_t(lugares_.columnaSaldoFinal);
                    Rellena(QRectF(r_.xs[c], y_ + 2, r_.anchos[c], AltoPieGrupo - 4), Banda);
                    Celda(c, base, valor, Estilo::Total, Alineacion::Derecha);
                    Etiqueta(c, base, etiqueta, Estilo::Total);
                } else {
                    Derecha(r_.derecha - Relleno, base, etiqueta + QLatin1Char(' ') + valor,
                            Estilo::Total);
                }
            }
        }
        y_ += AltoPieGrupo + Separacion;
    }

    void TotalGeneral(bool arriba) {
        if (!arriba && !Cabe(AltoTotal)) {
            Salto({r_.ultimo, datos_.orden.size(), Fase::Total});
            if (fin_)
                return;
        }
        if (Dibujando()) {
            const Cuentas& cuentas = *r_.cuentas;
            Rellena(QRectF(r_.izquierda, y_, r_.derecha - r_.izquierda, AltoTotal), Azul);
            const double base = y_ + 12;
            const std::size_t grupos = datos_.grupos.size();
            const std::size_t filas = datos_.orden.size();
            Texto(
                r_.izquierda + 6, base,
                QStringLiteral("Total general: %1 %2, %3 %4")
                    .arg(grupos)
                    .arg(grupos == 1 ? diseno_.etiquetaGrupo.toLower()
                                     : diseno_.etiquetaGrupo.toLower() + QStringLiteral("s"))
                    .arg(filas)
                    .arg(filas == 1 ? QStringLiteral("movimiento") : QStringLiteral("movimientos")),
                Estilo::TotalClaro);
            for (std::size_t c = 0; c < diseno_.columnas.size(); ++c) {
                if (diseno_.columnas[c].total)
                    Celda(c, base, FormateaImporte(cuentas.totales[c]), Estilo::TotalClaro,
                          Alineacion::Derecha);
            }
            if (lugares_.saldoFinal >= 0 && lugares_.columnaSaldoFinal >= 0) {
                const auto c = std::size_t(lugares_.columnaSaldoFinal);
                const double base2 = base + 13;
                Celda(c, base2, FormateaImporte(cuentas.sumaSaldosFinales), Estilo::TotalClaro,
                      Alineacion::Derecha);
                Etiqueta(c, base2, QStringLiteral("Suma de los saldos finales:"),
                         Estilo::TotalClaro);
            }
        }
        y_ += AltoTotal;
    }

    // "Página x de y" and the report's name at the foot.
    void Pie(std::size_t numero) {
        const double base = r_.tamano.height() - Margen;
        pagina_->lineas.push_back(
            {QLineF(r_.izquierda, base - 10, r_.derecha, base - 10), 0.5, GrisClaro});
        pagina_->textos.push_back(
            {QPointF(r_.izquierda, base), QStringLiteral("Quiltaro · ") + r_.titulo, Estilo::Pie});
        const QString pie =
            QStringLiteral("Página %1 de %2").arg(numero + 1).arg(r_.inicios.size());
        pagina_->textos.push_back(
            {QPointF(r_.derecha - medidor_->Ancho(pie, Estilo::Pie), base), pie, Estilo::Pie});
    }

    const Reporte& r_;
    const DatosReporte& datos_;
    const Diseno& diseno_;
    const LugaresDatos& lugares_;
    Medidor* medidor_;
    Pagina* pagina_;
    const Avance* avance_ = nullptr;
    const PrimeraPagina* primera_ = nullptr;
    std::vector<InicioPagina> inicios_;
    double y_ = 0;
    bool cebra_ = false;
    bool fin_ = false;
    std::size_t hechas_ = 0;
};

// The pages of a laid out report, each made when asked for. Measurers are kept for the next
// page, one per thread at work.
class PaginasReporte : public FuentePaginas {
public:
    explicit PaginasReporte(Reporte r) : r_(std::move(r)) {}
    std::size_t Numero() const override { return r_.inicios.size(); }
    Pagina Haz(std::size_t i) const override {
        std::unique_ptr<Medidor> medidor = Toma();
        Pagina p;
        Maquetador(r_, medidor.get(), &p).Dibuja(i);
        Devuelve(std::move(medidor));
        return p;
    }

private:
    std::unique_ptr<Medidor> Toma() const {
        {
            const std::lock_guard<std::mutex> l(candado_);
            if (!libres_.empty()) {
                std::unique_ptr<Medidor> m = std::move(libres_.back());
                libres_.pop_back();
                return m;
            }
        }
        return std::make_unique<Medidor>();
    }
    void Devuelve(std::unique_ptr<Medidor> m) const {
        const std::lock_guard<std::mutex> l(candado_);
        libres_.push_back(std::move(m));
    }

    Reporte r_;
    mutable std::mutex candado_;
    mutable std::vector<std::unique_ptr<Medidor>> libres_;
};

} // namespace

Documento Renderiza(std::shared_ptr<const DatosReporte> datos,
                    std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno,
                    const QDateTime& impreso, const Encargo& encargo, const Avance& avance,
                    const PrimeraPagina& primera) {
    Reporte r;
    r.datos = std::move(datos);
    r.cuentas = std::move(cuentas);
    r.diseno = diseno;
    r.encargo = encargo;
    const DatosReporte& d = *r.datos;
    r.titulo = encargo.titulo.isEmpty() ? diseno.titulo : encargo.titulo;
    r.primero = std::min(encargo.grupo, d.grupos.size());
    r.ultimo = std::min(d.grupos.size() - r.primero, encargo.grupos) + r.primero;
    r.filas = r.primero < r.ultimo ? d.grupos[r.ultimo - 1].hasta - d.grupos[r.primero].desde : 0;
    QSizeF tamano = diseno.carta ? QSizeF(612.0, 792.0) : QSizeF(595.28, 841.89);
    if (diseno.horizontal)
        tamano.transpose();
    r.tamano = tamano;
    r.izquierda = Margen;
    r.derecha = tamano.width() - Margen;
    r.fondo = tamano.height() - Margen - 20.0;
    r.arriba = Margen;
    if (encargo.membrete) {
        r.arriba += AltoMembrete;
        const QImage& imagen = encargo.membrete->imagen;
        if (!imagen.isNull()) {
            // The same image the letterhead holds, not a copy: one image in the file.
            r.logo = std::shared_ptr<const QImage>(encargo.membrete, &imagen);
            r.tamanoLogo = QSizeF(imagen.size()).scaled(AnchoLogo, AltoLogo, Qt::KeepAspectRatio);
        }
    }
    r.impreso = QStringLiteral("Impreso el %1 a las %2")
                    .arg(impreso.toString(QStringLiteral("dd/MM/yyyy")),
                         impreso.toString(QStringLiteral("HH:mm")));
    int suma = 0;
    for (const ColumnaDiseno& c : diseno.columnas)
        suma += c.ancho;
    double x = r.izquierda;
    for (const ColumnaDiseno& c : diseno.columnas) {
        const double ancho = (r.derecha - r.izquierda) * c.ancho / suma;
        r.xs.push_back(x);
        r.anchos.push_back(ancho);
        x += ancho;
    }
    r.inicios = Maquetador(r, nullptr, nullptr).Mide(avance, primera);
    if (avance)
        avance(d.orden.size(), d.orden.size(), r.inicios.size());

    Documento doc = Papel(r);
    doc.fuente = std::make_shared<const PaginasReporte>(std::move(r));
    return doc;
}

} // namespace motor
