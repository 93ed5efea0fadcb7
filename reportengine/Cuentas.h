#pragma once

#include "reportengine/DatosReporte.h"
#include "reportengine/Plantilla.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace motor {

// Where the closing balance comes from, by the age of the sales that make it up.
enum class Tramo : std::uint8_t { Hasta30, Hasta60, Hasta90, Mas90, Anterior };
inline constexpr std::size_t NumeroTramos = 5;
// "0 a 30 días", "31 a 60 días", "61 a 90 días", "Más de 90 días", "Anterior al periodo".
QString NombreTramo(Tramo tramo);
// The bucket of a sale that many days old.
Tramo TramoDeDias(qint64 dias);

// The closing balance by age. Payments, returns and negative sales settle the oldest charges
// first, so the balance is made of the newest sales of the period; what they cannot cover came
// with the opening balance.
struct Antiguedad {
    std::array<double, NumeroTramos> tramos{}; // as computed, in the stored doubles
    // In cents, as printed: they add up to the closing balance as printed. Zero when the
    // balance is not above zero.
    std::array<std::int64_t, NumeroTramos> centavos{};
    std::int64_t centavosSaldo = 0; // the closing balance as printed, in cents
    // "" when there are buckets, else "Saldo a favor" or "Sin saldo".
    QString sinTramos;
};

// The numbers of one group as the report prints them.
struct CuentaGrupo {
    double saldoInicial = 0;     // the group's first row
    double saldoFinal = 0;       // the group's last row
    std::vector<double> totales; // per layout column; 0 where the column has no total
    Antiguedad antiguedad;
};

// Group totals, closing balances and their ageing, computed once for the report's pages, the
// workbook, the statements and their index.
struct Cuentas {
    bool haySaldoInicial = false;
    bool haySaldoFinal = false;
    std::vector<bool> conTotal;      // per layout column: summed in the totals
    std::vector<CuentaGrupo> grupos; // as datos.grupos
    std::vector<double> totales;     // per layout column, all groups
    double sumaSaldosFinales = 0;
    QDate alDia; // the day the ageing counts to
};

// Sums each group's rows in printed order, as the paper adds them, and ages each closing
// balance as of alDia: sale rows (the template's sales column above 0) taken from the newest
// back, in printed order, each whole until the balance is covered, the last one in part.
Cuentas CalculaCuentas(const DatosReporte& datos, const Diseno& diseno, const QDate& alDia);

// The day the ageing counts to: the end of the period typed, else today.
QDate DiaDeAntiguedad(const QDate& hasta);

// Rounds the buckets for printing so that they add up to the balance as printed. Each bucket
// is first cut down to whole cents; the cents still missing go one each to the buckets that
// lost the most in the cut (ties to the oldest), so every printed bucket stays within a cent
// of its own amount and none takes a difference that belongs to another.
std::array<std::int64_t, NumeroTramos> RedondeaTramos(const std::array<double, NumeroTramos>& t,
                                                      std::int64_t centavosSaldo);

// An amount as printed, in cents.
std::int64_t CentavosImpresos(double valor);

} // namespace motor
