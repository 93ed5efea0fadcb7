#pragma once

#include "host/BasesDD.h"
#include "host/Conexion.h"

#include <QString>

namespace movimientos {

// The creation statement of the movement table "ravesta", used only when it is missing.
QString SentenciaCreaRavesta();

// Makes sure "ravesta" exists on cnReportes and re-creates the empty working copy
// "tmpravesta" on cn from ravesta's current definition. cSQL ends holding the copy's
// creation statement. Works in every sql_mode: both sessions leave with their own mode.
void PreparaTablas(const qm::BasesDD& BasesDD, qm::Conexion& cn, qm::Conexion& cnReportes,
                   QString& cSQL);

} // namespace movimientos
