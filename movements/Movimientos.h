#pragma once

#include "host/BasesDD.h"
#include "host/Conexion.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"
#include "movements/Filtro.h"

#include <QString>
#include <QStringList>

namespace movimientos {

// The host objects the builder uses.
struct ObjetosBuilder {
    const qm::libQMCM& libQMCM;
    const qm::BasesDD& BasesDD;
    const qm::Utilerias& Utilerias;
};

// The source queries of a request, as table expressions, in the order they are read:
// remisiones, facturas, devolucionctes, edoctacli (payments only).
struct Fuentes {
    QString remisiones, facturas, devoluciones, pagos;
};
Fuentes ArmaFuentes(const Solicitud& solicitud, const ObjetosBuilder& objetos, qm::Conexion& cn);

// The INSERT ... SELECT statements that copy the sources' rows, in order and without balances,
// into a table with the working copy's columns.
QStringList CopiasDeFuentes(const Fuentes& fuentes, const QString& tabla);

// Empties tmpravesta and fills it with the request's delivery notes, invoices, returns and
// payments, in that order of addition, each with the customer's balance before and after it.
// The work runs on the server: the rows are collected into a scratch table in order of
// addition, the balances are running sums per customer in (Fecha, Hora, order of addition)
// order from the customer's statement balance, and the result is copied once into tmpravesta.
// A value tmpravesta refuses fails as a single-row insert of it would under the session's
// sql_mode; the rows collected before a failure stay in tmpravesta with balances 0.
// cSQL ends holding the last source expression.
void GeneraMovimientos(const ObjetosBuilder& objetos, qm::Conexion& cn, QString& cSQL,
                       const Solicitud& solicitud);

} // namespace movimientos
