#pragma once

#include "reportengine/ErroresMotor.h"

// Failures of sending mail, as the engine's error type so that whoever shows the engine's
// errors shows these the same way; the numbers are mail's own.
namespace correo::errores {
inline constexpr long AjustesNoValidos = 20600; // the outgoing mail settings cannot be used
inline constexpr long ArchivoAjustes = 20601;   // a settings or password file failed
inline constexpr long Bitacora = 20602;         // the send log cannot be read or written
inline constexpr long Estado = 20603;           // a statement file cannot be read
} // namespace correo::errores
