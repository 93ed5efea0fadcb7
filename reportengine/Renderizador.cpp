#include "reportengine/Renderizador.h"

#include "reportengine/Formatos.h"
#include "reportengine/Pintor.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace motor {

namespace {

constexpr QRgb Azul = 0xFF1F3A5F;
constexpr QRgb Banda = 0xFFE3EAF3;
constexpr QRgb Cebra = 0xFFF4F7FA;
constexpr QRgb Regla = 0xFFB8C4D2;
constexpr QRgb Gris = 0xFF8894A0;

constexpr double Margen = 36.0;
constexpr double AltoEncabezado = 16.0;
constexpr double AltoFila = 12.5;
constexpr double AltoGrupo = 21.0;
constexpr double AltoPieGrupo = 17.0;
constexpr double Separacion = 9.0;
constexpr double AltoTotal = 34.0;
constexpr double Relleno = 3.0;

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

class Maquetador {
public:
    Maquetador(const DatosReporte& datos, const Diseno& diseno, const Cuentas& cuentas,
               const QDateTime& impreso, const Encargo& encargo, const Avance& avance)
        : datos_(datos), diseno_(diseno), cuentas_(cuentas), encargo_(encargo), avance_(avance) {
        titulo_ = encargo.titulo.isEmpty() ? diseno.titulo : encargo.titulo;
        doc_.titulo = titulo_;
        primero_ = std::min(encargo.grupo, datos.grupos.size());
        ultimo_ = std::min(datos.grupos.size() - primero_, encargo.grupos) + primero_;
        filas_ =
            primero_ < ultimo_ ? datos.grupos[ultimo_ - 1].hasta - datos.grupos[primero_].desde : 0;
        // Half the margin stays white whatever is printed near it.
        doc_.margen = Margen / 2;
        doc_.carta = diseno.carta;
        doc_.horizontal = diseno.horizontal;
        QSizeF tamano = diseno.carta ? QSizeF(612.0, 792.0) : QSizeF(595.28, 841.89);
        if (diseno.horizontal)
            tamano.transpose();
        doc_.tamano = tamano;
        izquierda_ = Margen;
        derecha_ = tamano.width() - Margen;
        fondo_ = tamano.height() - Margen - 20.0;
        impreso_ = QStringLiteral("Impreso el %1 a las %2")
                       .arg(impreso.toString(QStringLiteral("dd/MM/yyyy")),
                            impreso.toString(QStringLiteral("HH:mm")));
        int suma = 0;
        for (const ColumnaDiseno& c : diseno.columnas)
            suma += c.ancho;
        double x = izquierda_;
        for (const ColumnaDiseno& c : diseno.columnas) {
            const double ancho = (derecha_ - izquierda_) * c.ancho / suma;
            xs_.push_back(x);
            anchos_.push_back(ancho);
            x += ancho;
        }
        indices_ = datos.lugares.columnas;
        inicial_ = datos.lugares.saldoInicial;
        final_ = datos.lugares.saldoFinal;
        columnaFinal_ = datos.lugares.columnaSaldoFinal;
    }

    Documento Hace() {
        NuevaPagina();
        if (filas_ == 0) {
            Rellena(QRectF(izquierda_, y_ + 8, derecha_ - izquierda_, 30), Banda);
            const double ancho = medidor_.Ancho(diseno_.sinDatos, Estilo::Aviso);
            Texto((izquierda_ + derecha_ - ancho) / 2, y_ + 27, diseno_.sinDatos, Estilo::Aviso);
        }
        for (std::size_t g = primero_; g < ultimo_; ++g)
            Grupo(g);
        if (filas_ > 0 && encargo_.totalGeneral)
            TotalGeneral();
        Pies();
        return std::move(doc_);
    }

private:
    double Numero(int columna, std::size_t fila) const {
        return datos_.tabla[columna].Numero(fila);
    }

    void Rellena(const QRectF& r, QRgb color) { pagina().rellenos.push_back({r, color}); }
    void Linea(double x1, double y1, double x2, double y2, double grosor, QRgb color) {
        pagina().lineas.push_back({QLineF(x1, y1, x2, y2), grosor, color});
    }
    void Texto(double x, double base, QString texto, Estilo e) {
        if (!texto.isEmpty())
            pagina().textos.push_back({QPointF(x, base), std::move(texto), e});
    }
    void Derecha(double x, double base, const QString& texto, Estilo e) {
        Texto(x - medidor_.Ancho(texto, e), base, texto, e);
    }
    // A text in column c, cut to fit it.
    void Celda(std::size_t c, double base, const QString& texto, Estilo e, Alineacion a) {
        if (texto.isEmpty())
            return;
        const double util = anchos_[c] - 2 * Relleno;
        const QString t = medidor_.Recorta(texto, e, util);
        const double ancho = medidor_.Ancho(t, e);
        double x = xs_[c] + Relleno;
        if (a == Alineacion::Derecha)
            x = xs_[c] + anchos_[c] - Relleno - ancho;
        else if (a == Alineacion::Centro)
            x = xs_[c] + (anchos_[c] - ancho) / 2;
        Texto(x, base, t, e);
    }
    Pagina& pagina() { return doc_.paginas.back(); }

    void NuevaPagina() {
        doc_.paginas.emplace_back();
        pagina().textos.reserve(512);
        const double base = Margen + 14;
        Texto(izquierda_, base, titulo_, Estilo::Titulo);
        Derecha(derecha_, base, impreso_, Estilo::Fecha);
        // Every page says which request it answers, so that a loose sheet still does.
        double regla = base + 7;
        if (!encargo_.subtitulo.isEmpty()) {
            Texto(izquierda_, base + 16,
                  medidor_.Recorta(encargo_.subtitulo, Estilo::Fecha, derecha_ - izquierda_),
                  Estilo::Fecha);
            regla = base + 21;
        }
        Linea(izquierda_, regla, derecha_, regla, 1.4, Azul);
        const double arriba = regla + 7;
        Rellena(QRectF(izquierda_, arriba, derecha_ - izquierda_, AltoEncabezado), Azul);
        for (std::size_t c = 0; c < diseno_.columnas.size(); ++c) {
            const ColumnaDiseno& col = diseno_.columnas[c];
            Celda(c, arriba + 11, col.titulo, Estilo::Encabezado, col.alineacion);
        }
        y_ = arriba + AltoEncabezado + 4;
        cebra_ = false;
    }

    bool Cabe(double alto) const { return y_ + alto <= fondo_; }

    void BandaGrupo(const GrupoDatos& g, bool continua, std::size_t fila) {
        Rellena(QRectF(izquierda_, y_ + 2, derecha_ - izquierda_, AltoGrupo - 5), Banda);
        Rellena(QRectF(izquierda_, y_ + 2, 2.5, AltoGrupo - 5), Azul);
        QString titulo = diseno_.etiquetaGrupo + QLatin1Char(' ') + g.clave;
        if (!g.nombre.isEmpty())
            titulo += QStringLiteral(" · ") + g.nombre;
        QString derecha;
        if (continua) {
            titulo += QStringLiteral(" (continúa)");
            if (inicial_ >= 0)
                derecha =
                    QStringLiteral("Saldo que viene: ") + FormateaImporte(Numero(inicial_, fila));
        } else if (inicial_ >= 0) {
            derecha = diseno_.etiquetaSaldoInicial + QStringLiteral(": ") +
                      FormateaImporte(Numero(inicial_, fila));
        }
        const double base = y_ + 14;
        const double anchoDerecha = medidor_.Ancho(derecha, Estilo::Grupo);
        const double util = derecha_ - izquierda_ - 8 - anchoDerecha - 16;
        Texto(izquierda_ + 8, base, medidor_.Recorta(titulo, Estilo::Grupo, util), Estilo::Grupo);
        Derecha(derecha_ - 6, base, derecha, Estilo::Grupo);
        y_ += AltoGrupo;
        cebra_ = false;
    }

    QString Valor(std::size_t c, std::size_t fila) const {
        const int i = indices_[c];
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
            Rellena(QRectF(izquierda_, y_, derecha_ - izquierda_, AltoFila), Cebra);
        cebra_ = !cebra_;
        const double base = y_ + 9;
        for (std::size_t c = 0; c < diseno_.columnas.size(); ++c)
            Celda(c, base, Valor(c, fila), Estilo::Normal, diseno_.columnas[c].alineacion);
        y_ += AltoFila;
    }

    void Grupo(std::size_t numero) {
        const GrupoDatos& g = datos_.grupos[numero];
        if (!Cabe(AltoGrupo + AltoFila + (g.hasta - g.desde == 1 ? AltoPieGrupo : 0)))
            NuevaPagina();
        BandaGrupo(g, false, datos_.orden[g.desde]);
        for (std::size_t i = g.desde; i < g.hasta; ++i) {
            const std::size_t fila = datos_.orden[i];
            // The last row goes with the group's totals, so that they never start a page.
            const double alto = AltoFila + (i + 1 == g.hasta ? AltoPieGrupo : 0);
            if (!Cabe(alto)) {
                NuevaPagina();
                BandaGrupo(g, true, fila);
            }
            Fila(fila);
            ++hechas_;
            if (avance_ && hechas_ % 2000 == 0)
                avance_(hechas_, filas_, doc_.paginas.size());
        }
        const CuentaGrupo& cuenta = cuentas_.grupos[numero];
        PieGrupo(g, cuenta);
        if (encargo_.antiguedad && final_ >= 0)
            CajaAntiguedad(cuenta.antiguedad);
    }

    // The closing balance by age, right under it: a heading, then each bucket and its amount.
    void CajaAntiguedad(const Antiguedad& a) {
        const bool tramos = a.sinTramos.isEmpty();
        const double alto = AltoGrupo + (tramos ? 2 * AltoFila : AltoFila) + 6;
        if (!Cabe(alto))
            NuevaPagina();
        const double ancho = std::min(derecha_ - izquierda_, 560.0);
        const double x = derecha_ - ancho;
        Rellena(QRectF(x, y_, ancho, alto - 4), Cebra);
        Linea(x, y_, derecha_, y_, 0.8, Azul);
        Texto(x + 6, y_ + 13, QStringLiteral("Antigüedad del saldo"), Estilo::Grupo);
        y_ += AltoGrupo;
        if (!tramos) {
            Texto(x + 6, y_ + 9, a.sinTramos, Estilo::Total);
            y_ += AltoFila + 6;
            return;
        }
        const double columna = (ancho - 12) / double(NumeroTramos);
        for (std::size_t i = 0; i < NumeroTramos; ++i) {
            const double derecha = x + 6 + columna * double(i + 1) - Relleno;
            Derecha(derecha, y_ + 9, NombreTramo(Tramo(i)), Estilo::Normal);
            Derecha(derecha, y_ + 9 + AltoFila, FormateaImporte(double(a.centavos[i]) / 100.0),
                    Estilo::Total);
        }
        y_ += 2 * AltoFila + 6;
    }

    // The label before a value in column c: right-aligned in the free columns to its left.
    void Etiqueta(std::size_t c, double base, const QString& texto, Estilo e) {
        Derecha(xs_[c] - Relleno, base, texto, e);
    }

    void PieGrupo(const GrupoDatos& g, const CuentaGrupo& cuenta) {
        Linea(izquierda_, y_ + 1, derecha_, y_ + 1, 0.6, Regla);
        const double base = y_ + 11;
        const std::size_t n = g.hasta - g.desde;
        Texto(izquierda_ + Relleno, base,
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
        if (final_ >= 0) {
            const QString valor = FormateaImporte(cuenta.saldoFinal);
            const QString etiqueta = diseno_.etiquetaSaldoFinal + QLatin1Char(':');
            if (columnaFinal_ >= 0) {
                const std::size_t c = std::size_t(columnaFinal_);
                Rellena(QRectF(xs_[c], y_ + 2, anchos_[c], AltoPieGrupo - 4), Banda);
                Celda(c, base, valor, Estilo::Total, Alineacion::Derecha);
                Etiqueta(c, base, etiqueta, Estilo::Total);
            } else {
                Derecha(derecha_ - Relleno, base, etiqueta + QLatin1Char(' ') + valor,
                        Estilo::Total);
            }
        }
        y_ += AltoPieGrupo + Separacion;
    }

    void TotalGeneral() {
        if (!Cabe(AltoTotal))
            NuevaPagina();
        Rellena(QRectF(izquierda_, y_, derecha_ - izquierda_, AltoTotal), Azul);
        const double base = y_ + 12;
        const std::size_t grupos = datos_.grupos.size();
        const std::size_t filas = datos_.orden.size();
        Texto(izquierda_ + 6, base,
              QStringLiteral("Total general: %1 %2, %3 %4")
                  .arg(grupos)
                  .arg(grupos == 1 ? diseno_.etiquetaGrupo.toLower()
                                   : diseno_.etiquetaGrupo.toLower() + QStringLiteral("s"))
                  .arg(filas)
                  .arg(filas == 1 ? QStringLiteral("movimiento") : QStringLiteral("movimientos")),
              Estilo::TotalClaro);
        for (std::size_t c = 0; c < diseno_.columnas.size(); ++c) {
            if (diseno_.columnas[c].total)
                Celda(c, base, FormateaImporte(cuentas_.totales[c]), Estilo::TotalClaro,
                      Alineacion::Derecha);
        }
        if (final_ >= 0 && columnaFinal_ >= 0) {
            const std::size_t c = std::size_t(columnaFinal_);
            const double base2 = base + 13;
            Celda(c, base2, FormateaImporte(cuentas_.sumaSaldosFinales), Estilo::TotalClaro,
                  Alineacion::Derecha);
            Etiqueta(c, base2, QStringLiteral("Suma de los saldos finales:"), Estilo::TotalClaro);
        }
        y_ += AltoTotal;
    }

    // "Página x de y" once the number of pages is known.
    void Pies() {
        const std::size_t n = doc_.paginas.size();
        const double base = doc_.tamano.height() - Margen;
        for (std::size_t i = 0; i < n; ++i) {
            Pagina& p = doc_.paginas[i];
            p.lineas.push_back({QLineF(izquierda_, base - 10, derecha_, base - 10), 0.5, Gris});
            const QString izquierdo = QStringLiteral("Quiltaro · ") + titulo_;
            p.textos.push_back({QPointF(izquierda_, base), izquierdo, Estilo::Pie});
            const QString pie = QStringLiteral("Página %1 de %2").arg(i + 1).arg(n);
            p.textos.push_back(
                {QPointF(derecha_ - medidor_.Ancho(pie, Estilo::Pie), base), pie, Estilo::Pie});
        }
    }

    const DatosReporte& datos_;
    const Diseno& diseno_;
    const Cuentas& cuentas_;
    const Encargo& encargo_;
    const Avance& avance_;
    Documento doc_;
    QString titulo_;
    std::size_t primero_ = 0, ultimo_ = 0, filas_ = 0;
    Medidor medidor_;
    QString impreso_;
    double izquierda_ = 0, derecha_ = 0, fondo_ = 0, y_ = 0;
    std::vector<double> xs_, anchos_;
    std::vector<int> indices_;
    int inicial_ = -1, final_ = -1, columnaFinal_ = -1;
    bool cebra_ = false;
    std::size_t hechas_ = 0;
};

} // namespace

Documento Renderiza(const DatosReporte& datos, const Diseno& diseno, const Cuentas& cuentas,
                    const QDateTime& impreso, const Encargo& encargo, const Avance& avance) {
    Maquetador m(datos, diseno, cuentas, impreso, encargo, avance);
    Documento d = m.Hace();
    if (avance)
        avance(datos.orden.size(), datos.orden.size(), d.paginas.size());
    return d;
}

} // namespace motor
