#include "reportengine/Cuentas.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace motor {

QString NombreTramo(Tramo tramo) {
    switch (tramo) {
    case Tramo::Hasta30:
        return QStringLiteral("0 a 30 días");
    case Tramo::Hasta60:
        return QStringLiteral("31 a 60 días");
    case Tramo::Hasta90:
        return QStringLiteral("61 a 90 días");
    case Tramo::Mas90:
        return QStringLiteral("Más de 90 días");
    case Tramo::Anterior:
        return QStringLiteral("Anterior al periodo");
    }
    return {};
}

Tramo TramoDeDias(qint64 dias) {
    if (dias <= 30)
        return Tramo::Hasta30;
    if (dias <= 60)
        return Tramo::Hasta60;
    if (dias <= 90)
        return Tramo::Hasta90;
    return Tramo::Mas90;
}

QDate DiaDeAntiguedad(const QDate& hasta) {
    return hasta.isValid() ? hasta : QDate::currentDate();
}

std::int64_t CentavosImpresos(double valor) {
    if (!std::isfinite(valor))
        return 0;
    // The same digits the report prints.
    QString cifras = QString::number(valor, 'f', 2);
    cifras.remove(QLatin1Char('.'));
    return cifras.toLongLong();
}

std::array<std::int64_t, NumeroTramos> RedondeaTramos(const std::array<double, NumeroTramos>& t,
                                                      std::int64_t centavosSaldo) {
    std::array<std::int64_t, NumeroTramos> c{};
    std::array<double, NumeroTramos> perdido{};
    for (std::size_t i = 0; i < NumeroTramos; ++i) {
        const double exacto = t[i] * 100.0;
        c[i] = std::int64_t(std::floor(exacto));
        perdido[i] = exacto - double(c[i]);
    }
    std::int64_t falta = centavosSaldo - std::accumulate(c.begin(), c.end(), std::int64_t{0});
    // Oldest first, so that ties go to the oldest bucket.
    std::array<std::size_t, NumeroTramos> orden{4, 3, 2, 1, 0};
    if (falta > 0) {
        std::stable_sort(orden.begin(), orden.end(),
                         [&](std::size_t a, std::size_t b) { return perdido[a] > perdido[b]; });
        for (std::size_t k = 0; falta > 0; ++k, --falta)
            ++c[orden[k % NumeroTramos]];
    } else if (falta < 0) {
        // Only when the stored doubles add up to a little more than the printed balance.
        std::stable_sort(orden.begin(), orden.end(),
                         [&](std::size_t a, std::size_t b) { return perdido[a] < perdido[b]; });
        for (std::size_t k = 0; falta < 0 && k < 64 * NumeroTramos; ++k) {
            std::int64_t& v = c[orden[k % NumeroTramos]];
            if (v > 0) {
                --v;
                ++falta;
            }
        }
    }
    return c;
}

namespace {

Antiguedad Envejece(const DatosReporte& datos, const GrupoDatos& g, double saldo, int ventas,
                    int fecha, const QDate& alDia) {
    Antiguedad a;
    a.centavosSaldo = CentavosImpresos(saldo);
    if (a.centavosSaldo <= 0) {
        a.sinTramos =
            a.centavosSaldo < 0 ? QStringLiteral("Saldo a favor") : QStringLiteral("Sin saldo");
        return a;
    }
    double falta = saldo;
    if (ventas >= 0) {
        const ColumnaDatos& montos = datos.tabla[ventas];
        for (std::size_t i = g.hasta; i > g.desde && falta > 0; --i) {
            const std::size_t fila = datos.orden[i - 1];
            const double venta = montos.Numero(fila);
            if (!(venta > 0))
                continue;
            qint64 dias = 0;
            if (fecha >= 0) {
                const QDate dia = datos.tabla[fecha].Dia(fila);
                if (dia.isValid())
                    dias = std::max<qint64>(0, dia.daysTo(alDia));
            }
            const double tomado = venta >= falta ? falta : venta;
            a.tramos[std::size_t(TramoDeDias(dias))] += tomado;
            falta = venta >= falta ? 0.0 : falta - venta;
        }
    }
    a.tramos[std::size_t(Tramo::Anterior)] += falta;
    a.centavos = RedondeaTramos(a.tramos, a.centavosSaldo);
    return a;
}

} // namespace

Cuentas CalculaCuentas(const DatosReporte& datos, const Diseno& d, const QDate& alDia) {
    Cuentas r;
    r.alDia = alDia;
    const TablaDatos& t = datos.tabla;
    const LugaresDatos& l = datos.lugares;
    r.haySaldoInicial = l.saldoInicial >= 0;
    r.haySaldoFinal = l.saldoFinal >= 0;
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        const int i = l.columnas[k];
        r.conTotal.push_back(d.columnas[k].total && i >= 0 && t[i].numerica());
    }
    r.totales.assign(d.columnas.size(), 0.0);
    r.grupos.reserve(datos.grupos.size());
    for (const GrupoDatos& g : datos.grupos) {
        CuentaGrupo c;
        c.totales.assign(d.columnas.size(), 0.0);
        for (std::size_t k = 0; k < d.columnas.size(); ++k) {
            if (!r.conTotal[k])
                continue;
            const ColumnaDatos& v = t[l.columnas[k]];
            double suma = 0;
            for (std::size_t i = g.desde; i < g.hasta; ++i)
                suma += v.Numero(datos.orden[i]);
            c.totales[k] = suma;
            r.totales[k] += suma;
        }
        if (r.haySaldoInicial)
            c.saldoInicial = t[l.saldoInicial].Numero(datos.orden[g.desde]);
        if (r.haySaldoFinal) {
            c.saldoFinal = t[l.saldoFinal].Numero(datos.orden[g.hasta - 1]);
            r.sumaSaldosFinales += c.saldoFinal;
            c.antiguedad = Envejece(datos, g, c.saldoFinal, l.ventas, l.fecha, alDia);
        }
        r.grupos.push_back(std::move(c));
    }
    return r;
}

} // namespace motor
