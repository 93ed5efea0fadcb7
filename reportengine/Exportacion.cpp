#include "reportengine/Exportacion.h"

#include "reportengine/MovimientosCsv.h"

#include <algorithm>

namespace motor {

namespace {

// Where a layout column takes its value from in table 0, and what kind of cell it is.
struct Fuente {
    int indice = -1;
    TipoCelda tipo = TipoCelda::Texto;
};

Celda Valor(const TablaDatos& t, const Fuente& f, std::size_t fila) {
    if (f.indice < 0)
        return {};
    const ColumnaDatos& c = t[f.indice];
    if (f.tipo == TipoCelda::Numero)
        return {{}, c.numerica() ? c.Numero(fila) : c.Texto(fila).toDouble()};
    return {c.Texto(fila), 0};
}

Hoja Movimientos(const std::shared_ptr<const DatosReporte>& datos, const Diseno& d) {
    Hoja h;
    h.nombre = QStringLiteral("Movimientos");
    h.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    std::vector<Fuente> fuentes;
    std::vector<ColumnaCsv> csv;
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        const ColumnaDiseno& c = d.columnas[k];
        TipoCelda tipo = TipoCelda::Texto;
        if (c.formato == FormatoCampo::Importe)
            tipo = TipoCelda::Numero;
        else if (c.formato == FormatoCampo::Fecha)
            tipo = TipoCelda::Fecha;
        h.columnas.push_back({c.titulo, tipo});
        fuentes.push_back({datos->lugares.columnas[k], tipo});
        csv.push_back({datos->lugares.columnas[k], tipo});
    }
    h.filas = datos->orden.size();
    h.lineasCsv = LineasMovimientos(datos, std::move(csv));
    h.celda = [datos, fuentes](std::size_t fila, std::size_t columna) -> Celda {
        if (columna < 2) {
            // The group of a printed row: the last that starts at or before it.
            const auto g = std::upper_bound(datos->grupos.begin(), datos->grupos.end(), fila,
                                            [](std::size_t f, const GrupoDatos& grupo) {
                                                return f < grupo.desde;
                                            }) -
                           1;
            return {columna == 0 ? g->clave : g->nombre, 0};
        }
        return Valor(datos->tabla, fuentes[columna - 2], datos->orden[fila]);
    };
    return h;
}

} // namespace

ColumnasDeCuenta ColumnasDeCuentas(const Diseno& d, const Cuentas& cuentas) {
    ColumnasDeCuenta c;
    c.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    c.valores = {[](const GrupoDatos& g, const CuentaGrupo&) {
                     return Celda{g.clave, 0};
                 },
                 [](const GrupoDatos& g, const CuentaGrupo&) {
                     return Celda{g.nombre, 0};
                 }};
    const auto agrega = [&c](const QString& titulo, std::function<double(const CuentaGrupo&)> f) {
        c.columnas.push_back({titulo, TipoCelda::Numero});
        c.valores.push_back([f = std::move(f)](const GrupoDatos&, const CuentaGrupo& g) {
            return Celda{{}, f(g)};
        });
    };
    if (cuentas.haySaldoInicial)
        agrega(d.etiquetaSaldoInicial, [](const CuentaGrupo& g) { return g.saldoInicial; });
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        if (cuentas.conTotal[k])
            agrega(d.columnas[k].titulo, [k](const CuentaGrupo& g) { return g.totales[k]; });
    }
    if (cuentas.haySaldoFinal) {
        agrega(d.etiquetaSaldoFinal, [](const CuentaGrupo& g) { return g.saldoFinal; });
        for (std::size_t t = 0; t < NumeroTramos; ++t)
            agrega(NombreTramo(Tramo(t)),
                   [t](const CuentaGrupo& g) { return double(g.antiguedad.centavos[t]) / 100.0; });
    }
    return c;
}

namespace {

Hoja Resumen(const std::shared_ptr<const DatosReporte>& datos,
             const std::shared_ptr<const Cuentas>& cuentas, const Diseno& d) {
    Hoja h;
    h.nombre = QStringLiteral("Resumen");
    ColumnasDeCuenta cifras = ColumnasDeCuentas(d, *cuentas);
    h.columnas = std::move(cifras.columnas);
    h.filas = datos->grupos.size();
    h.celda = [datos, cuentas, valores = std::move(cifras.valores)](std::size_t fila,
                                                                    std::size_t columna) {
        return valores[columna](datos->grupos[fila], cuentas->grupos[fila]);
    };
    return h;
}

} // namespace

std::vector<Hoja> Hojas(std::shared_ptr<const DatosReporte> datos,
                        std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno) {
    return {Movimientos(datos, diseno), Resumen(datos, cuentas, diseno)};
}

} // namespace motor
