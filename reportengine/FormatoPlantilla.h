#pragma once

#include "reportengine/Plantilla.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace motor {

// The .rpt file, as FORMAT.md describes it.
inline constexpr qsizetype TamanoMaximoPlantilla = 4 * 1024 * 1024;
inline constexpr int TablasMaximas = 64;
inline constexpr qsizetype VentanaUbicacion = 60;

// The bytes of a template; refuses (PlantillaDanada) what the format cannot hold, including
// a file in which the runner's scan would not find exactly its tables.
QByteArray EscribePlantilla(const Plantilla& plantilla);

// Reads template bytes, checking every length and count before it uses it.
Plantilla LeePlantilla(const QByteArray& bytes);

// Reads the file: SinPlantilla when it is missing or unreadable, else as LeePlantilla.
Plantilla LeeArchivoPlantilla(const QString& ruta);

// What the runner's byte scan gives for these bytes: the stored table names in the order found
// (a window from every "PD" pair, any case, that names pdsodbc or pdbdao and holds ".dll");
// falla is true where a window would make the scan fail.
struct ResultadoEscaneo {
    std::vector<QByteArray> nombres;
    bool falla = false;
};
ResultadoEscaneo EscaneaUbicaciones(const QByteArray& bytes);

} // namespace motor
