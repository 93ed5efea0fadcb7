#pragma once

#include "reportengine/EscaneoUbicaciones.h"
#include "reportengine/Plantilla.h"

#include <QByteArray>
#include <QString>

namespace motor {

// The .rpt file, as FORMAT.md describes it.
inline constexpr qsizetype TamanoMaximoPlantilla = 4 * 1024 * 1024;
inline constexpr int TablasMaximas = 64;

// The bytes of a template; refuses (PlantillaDanada) what the format cannot hold, including
// a file in which the runner's scan would not find exactly its tables.
QByteArray EscribePlantilla(const Plantilla& plantilla);

// Reads template bytes, checking every length and count before it uses it.
Plantilla LeePlantilla(const QByteArray& bytes);

// Reads the file: SinPlantilla when it is missing or unreadable, else as LeePlantilla.
Plantilla LeeArchivoPlantilla(const QString& ruta);

} // namespace motor
