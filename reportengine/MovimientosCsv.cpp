#include "reportengine/MovimientosCsv.h"

#include "reportengine/PiezaCsv.h"

#include <algorithm>
#include <string>

namespace motor {

namespace {

// How a column's cell is made, decided once for the whole sheet.
enum class Modo {
    Vacio,         // no table column: an empty text
    Cero,          // no table column: the number 0
    Numero,        // a number column as a number
    NumeroDeTexto, // a text column read as a number
    TextoDeNumero, // a number column shown as text
    Digitos,       // dates and times: never quoted
    Codigo,        // few texts: each one's field made once
    Texto,         // other texts as their bytes, quoted where needed
};

struct Columna {
    Modo modo = Modo::Vacio;
    const ColumnaDatos* datos = nullptr;
    std::vector<std::string> campos; // Codigo: the field of each code
};

// The group's key and name, quoted where needed, as one run of bytes with the comma between.
std::string Grupo(const GrupoDatos& g) {
    return (CampoCsv(g.clave) + QLatin1Char(',') + CampoCsv(g.nombre)).toUtf8().toStdString();
}

class Lineas {
public:
    Lineas(std::shared_ptr<const DatosReporte> datos, const std::vector<ColumnaCsv>& columnas)
        : datos_(std::move(datos)) {
        for (const ColumnaCsv& c : columnas) {
            const bool numero = c.tipo == TipoCelda::Numero;
            if (c.indice < 0) {
                columnas_.push_back({numero ? Modo::Cero : Modo::Vacio, nullptr, {}});
                continue;
            }
            const ColumnaDatos& d = datos_->tabla[c.indice];
            columnas_.push_back(Prepara(d, numero));
        }
    }

    void operator()(std::size_t desde, std::size_t hasta, PiezaCsv& p) const {
        const std::vector<GrupoDatos>& grupos = datos_->grupos;
        // The group of a row: the last that starts at or before it.
        auto g = std::upper_bound(grupos.begin(), grupos.end(), desde,
                                  [](std::size_t f, const GrupoDatos& x) { return f < x.desde; });
        std::string grupo = g == grupos.begin() ? std::string(",") : Grupo(*(g - 1));
        ColumnaDatos::EspacioUtf8 espacio;
        for (std::size_t f = desde; f < hasta; ++f) {
            if (g != grupos.end() && g->desde <= f) {
                while (g != grupos.end() && g->desde <= f)
                    ++g;
                grupo = Grupo(*(g - 1));
            }
            p.Agrega(grupo);
            const std::size_t fila = datos_->orden[f];
            for (const Columna& c : columnas_) {
                p.Coma();
                switch (c.modo) {
                case Modo::Vacio:
                    break;
                case Modo::Cero:
                    p.Numero(0);
                    break;
                case Modo::Numero:
                    p.Numero(c.datos->Numero(fila));
                    break;
                case Modo::NumeroDeTexto:
                    p.Numero(c.datos->Texto(fila).toDouble());
                    break;
                case Modo::TextoDeNumero:
                    p.Campo(QStringView(c.datos->Texto(fila)));
                    break;
                case Modo::Digitos:
                    p.Agrega(c.datos->Utf8(fila, espacio));
                    break;
                case Modo::Codigo:
                    p.Agrega(c.campos[c.datos->Codigo(fila)]);
                    break;
                case Modo::Texto:
                    p.Campo(c.datos->Utf8(fila, espacio));
                    break;
                }
            }
            p.FinLinea();
        }
    }

private:
    static Columna Prepara(const ColumnaDatos& d, bool numero) {
        using F = ColumnaDatos::Forma;
        if (numero)
            return {d.numerica() ? Modo::Numero : Modo::NumeroDeTexto, &d, {}};
        if (d.numerica())
            return {Modo::TextoDeNumero, &d, {}};
        if (d.forma() == F::Dias || d.forma() == F::Segundos)
            return {Modo::Digitos, &d, {}};
        if (d.forma() == F::Bloque)
            return {Modo::Texto, &d, {}};
        Columna c{Modo::Codigo, &d, {}};
        for (const QString& v : d.Valores())
            c.campos.push_back(CampoCsv(v).toUtf8().toStdString());
        return c;
    }

    std::shared_ptr<const DatosReporte> datos_;
    std::vector<Columna> columnas_;
};

} // namespace

LineasCsv LineasMovimientos(std::shared_ptr<const DatosReporte> datos,
                            std::vector<ColumnaCsv> columnas) {
    return Lineas(std::move(datos), columnas);
}

} // namespace motor
