#include "reportengine/Exportacion.h"

#include <QDate>

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
    const ColumnaDatos& c = t.columnas[std::size_t(f.indice)];
    if (c.numerica)
        return f.tipo == TipoCelda::Numero ? Celda{{}, c.numeros[fila]}
                                           : Celda{QString::number(c.numeros[fila]), 0};
    if (f.tipo == TipoCelda::Numero)
        return {{}, c.textos[fila].toDouble()};
    return {c.textos[fila], 0};
}

Hoja Movimientos(const std::shared_ptr<const DatosReporte>& datos, const Diseno& d) {
    Hoja h;
    h.nombre = QStringLiteral("Movimientos");
    h.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    std::vector<Fuente> fuentes;
    for (const ColumnaDiseno& c : d.columnas) {
        const int i = datos->tabla.Indice(c.campo);
        TipoCelda tipo = TipoCelda::Texto;
        if (c.formato == FormatoCampo::Importe)
            tipo = TipoCelda::Numero;
        else if (c.formato == FormatoCampo::Fecha)
            tipo = TipoCelda::Fecha;
        h.columnas.push_back({c.titulo, tipo});
        fuentes.push_back({i, tipo});
    }
    // The group of each printed row.
    auto grupos = std::make_shared<std::vector<std::size_t>>(datos->orden.size());
    for (std::size_t g = 0; g < datos->grupos.size(); ++g) {
        for (std::size_t i = datos->grupos[g].desde; i < datos->grupos[g].hasta; ++i)
            (*grupos)[i] = g;
    }
    h.filas = datos->orden.size();
    h.celda = [datos, grupos, fuentes](std::size_t fila, std::size_t columna) -> Celda {
        const GrupoDatos& g = datos->grupos[(*grupos)[fila]];
        if (columna == 0)
            return {g.clave, 0};
        if (columna == 1)
            return {g.nombre, 0};
        return Valor(datos->tabla, fuentes[columna - 2], datos->orden[fila]);
    };
    return h;
}

} // namespace

ColumnasDeCuenta ColumnasDeCuentas(const Diseno& d, const Cuentas& cuentas) {
    ColumnasDeCuenta c;
    const auto agrega = [&c](const QString& titulo, std::function<double(const CuentaGrupo&)> f) {
        c.columnas.push_back({titulo, TipoCelda::Numero});
        c.valores.push_back(std::move(f));
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
    h.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    ColumnasDeCuenta cifras = ColumnasDeCuentas(d, *cuentas);
    h.columnas.insert(h.columnas.end(), cifras.columnas.begin(), cifras.columnas.end());
    auto valores = std::move(cifras.valores);
    h.filas = datos->grupos.size();
    h.celda = [datos, cuentas, valores](std::size_t fila, std::size_t columna) -> Celda {
        const GrupoDatos& g = datos->grupos[fila];
        if (columna == 0)
            return {g.clave, 0};
        if (columna == 1)
            return {g.nombre, 0};
        return {{}, valores[columna - 2](cuentas->grupos[fila])};
    };
    return h;
}

} // namespace

std::vector<Hoja> Hojas(std::shared_ptr<const DatosReporte> datos,
                        std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno) {
    return {Movimientos(datos, diseno), Resumen(datos, cuentas, diseno)};
}

std::vector<Hoja> Hojas(std::shared_ptr<const DatosReporte> datos, const Diseno& diseno) {
    auto cuentas =
        std::make_shared<const Cuentas>(CalculaCuentas(*datos, diseno, QDate::currentDate()));
    return Hojas(std::move(datos), std::move(cuentas), diseno);
}

} // namespace motor
