#pragma once

#include "host/Conexion.h"
#include "host/VariableDeSesion.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace movimientos {

// The columns of tmpravesta that a build fills, in its order; the first eight are collected,
// the last two are the balances.
extern const QStringList kColumnasTrabajo;
inline constexpr int kColumnasRecolectadas = 8;

// The scratch tables of one build: TEMPORARY, so they belong to this session alone and vanish
// with it, whatever ends it. "movimientos" holds the collected rows, with tmpravesta's column
// types and collations, nullable (a NULL is reported, not stored), plus qm_orden, the order of
// addition; "saldos" the balances of each row by qm_orden. Dropped when this goes.
class TablasTemporales {
public:
    // Makes "movimientos".
    explicit TablasTemporales(qm::Conexion& cn);
    ~TablasTemporales();
    TablasTemporales(const TablasTemporales&) = delete;
    TablasTemporales& operator=(const TablasTemporales&) = delete;

    const QString movimientos = QStringLiteral("qm_movimientos");
    const QString saldos = QStringLiteral("qm_saldos");
    // The collected columns that tmpravesta declares NOT NULL.
    QStringList noNulas;
    // "movimientos" is MyISAM: a scan gives its rows in order of addition.
    bool enOrden = false;

    // Makes "saldos", for that many rows.
    void CreaSaldos(std::size_t filas);

private:
    void Borra();
    qm::Conexion& cn_;
    std::optional<qm::VariableDeSesion> tamanoMemoria_;
};

} // namespace movimientos
