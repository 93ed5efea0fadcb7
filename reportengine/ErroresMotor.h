#pragma once

#include "comun/Error.h"

namespace motor {

// A failure of the report engine: its own number and a description. It is the system's one
// error type, so whoever drives the engine shows it like any other failure.
using ErrorMotor = comun::Error;

// The engine's failure numbers.
namespace errores {
inline constexpr long SinPlantilla = 20500;          // no template path, or the file is missing
inline constexpr long PlantillaDanada = 20501;       // the file is not a valid template
inline constexpr long UbicacionFueraDeRango = 20502; // a location for a table the template lacks
inline constexpr long SinFuenteDatos = 20503;        // data source unknown or server unreachable
inline constexpr long AccesoNegado = 20504;          // the server refused the login
inline constexpr long FaltaTablaOColumna = 20505;    // a table or column is not there
inline constexpr long ErrorLectura = 20506;          // any other failure while reading the data
inline constexpr long ErrorSalida = 20507;           // the PDF, printer or export file failed
inline constexpr long ValorNoValido = 20508;         // a property value the engine cannot use
inline constexpr long SinUbicacion = 20509;          // a table of the template got no location
inline constexpr long Cancelado = 20510; // the user stopped the work; nothing was replaced
} // namespace errores

} // namespace motor
