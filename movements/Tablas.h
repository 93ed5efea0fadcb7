#pragma once

#include "host/BasesDD.h"
#include "host/Conexion.h"

#include <QString>
#include <QStringList>

namespace movimientos {

// The tables' names, written here alone.

// The movement table's definition, in the reports database.
inline QString TablaRavesta() {
    return QStringLiteral("ravesta");
}
// Its working copy in the host database, which each Print empties and fills.
inline QString TablaTrabajo() {
    return QStringLiteral("tmpravesta");
}

// The host's tables the program reads.
inline QString TablaRemisiones() {
    return QStringLiteral("remisiones");
}
inline QString TablaFacturas() {
    return QStringLiteral("facturas");
}
inline QString TablaDevoluciones() {
    return QStringLiteral("devolucionctes");
}
inline QString TablaEstadoDeCuenta() {
    return QStringLiteral("edoctacli");
}
inline QString TablaClientes() {
    return QStringLiteral("clientes");
}
// All of them, in the order start-up checks them.
inline QStringList TablasHost() {
    return {TablaFacturas(), TablaRemisiones(), TablaDevoluciones(), TablaEstadoDeCuenta(),
            TablaClientes()};
}

// The creation statement of the movement table "ravesta", used only when it is missing.
QString SentenciaCreaRavesta();

// Makes sure "ravesta" exists on cnReportes and re-creates the empty working copy
// "tmpravesta" on cn from ravesta's current definition. cSQL ends holding the copy's
// creation statement. Works in every sql_mode: both sessions leave with their own mode.
void PreparaTablas(const qm::BasesDD& BasesDD, qm::Conexion& cn, qm::Conexion& cnReportes,
                   QString& cSQL);

} // namespace movimientos
