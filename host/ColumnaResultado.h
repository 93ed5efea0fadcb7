#pragma once

// A column of a result as the host library keeps it, for reading values and writing rows back.
// Internal to the host library.

#include <QString>

namespace qm {

enum class Clase { Entero, Flotante, Doble, Decimal, Fecha, Texto, Binario, Otro };

struct Columna {
    QString nombre;
    QString nombreBase; // the column in its table, empty for expressions
    QString tabla;
    QString base;
    Clase clase = Clase::Otro;
    unsigned long longitud = 0;
    unsigned int decimales = 0;
    bool sinSigno = false;
    bool autoincremento = false;
};

} // namespace qm
