#pragma once

#include <QString>

namespace qm {

enum class Icono { Critico, Exclamacion, Informacion };

// A modal message box that code outside the window asks for. Its text breaks lines with a
// lone carriage return, as the host's messages always have.
struct Mensaje {
    QString titulo;
    QString texto;
    Icono icono = Icono::Critico;
};

// The one way non-window code shows a message: the window provides it, tests replace it.
// Muestra returns once the user has dismissed the box.
class PuertoMensajes {
public:
    virtual ~PuertoMensajes() = default;
    virtual void Muestra(const Mensaje& mensaje) = 0;
    // The same box with a second button besides OK; true when the user chose it. A port
    // without buttons of its own shows the plain box.
    virtual bool MuestraConOpcion(const Mensaje& mensaje, const QString& opcion) {
        (void)opcion;
        Muestra(mensaje);
        return false;
    }
};

} // namespace qm
