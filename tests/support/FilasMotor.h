#pragma once

#include "reportengine/DatosReporte.h"
#include "reportengine/Plantilla.h"

#include <cstddef>

namespace prueba {

// The engine's benchmark rows, the same every run: n movements of `clientes` customers, stored out
// of order as a working table may be, in the columns the layout asks for; with the classes a
// binary collation gives (every distinct text its own class, ranked by its bytes).
struct FilasMotor {
    motor::TablaDatos tabla;
    motor::Clasificaciones clases;
};
FilasMotor FilasDeBanco(std::size_t n, const motor::Diseno& diseno, std::size_t clientes = 1000);

} // namespace prueba
