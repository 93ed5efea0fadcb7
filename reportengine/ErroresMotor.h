#pragma once

// The report engine's own failure numbers, carried by the qm::Error it throws.
namespace motor::errores {
inline constexpr long SinPlantilla = 20500;          // no template path, or the file is missing
inline constexpr long PlantillaDanada = 20501;       // the file is not a valid template
inline constexpr long UbicacionFueraDeRango = 20502; // a location for a table the template lacks
inline constexpr long SinFuenteDatos = 20503;        // data source unknown or server unreachable
inline constexpr long AccesoNegado = 20504;          // the server refused the login
inline constexpr long FaltaTablaOColumna = 20505;    // a table or column is not there
inline constexpr long ErrorLectura = 20506;          // any other failure while reading the data
inline constexpr long ErrorSalida = 20507;           // the PDF or the printer could not be written
inline constexpr long ValorNoValido = 20508;         // a property value the engine cannot use
inline constexpr long SinUbicacion = 20509;          // a table of the template got no location
} // namespace motor::errores
