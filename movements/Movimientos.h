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
// payments, in that order of addition, each with the customer's balance before and after it,
// as adding the rows one by one and walking each customer's rows would store them, to the bit.
// The server collects the rows into a TEMPORARY scratch table (so nothing outlives the build),
// groups the codes and orders each customer's rows; the program adds up the balances and
// writes them back; one INSERT ... SELECT fills tmpravesta. Only SQL that MySQL 5.5 knows.
// A value tmpravesta refuses fails as a single-row insert of it would under the session's
// sql_mode (a NULL into a NOT NULL column fails in every mode); the rows collected before a
// failure stay in tmpravesta with balances 0. cSQL ends holding the last source expression.
void GeneraMovimientos(const ObjetosBuilder& objetos, qm::Conexion& cn, QString& cSQL,
                       const Solicitud& solicitud);

} // namespace movimientos
