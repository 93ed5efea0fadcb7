#pragma once

#include "host/Conexion.h"
#include "host/Mensajes.h"
#include "startup/modComun.h"

#include <QString>

namespace inicio {

// What the start-up sequence does to the main window. The window implements it; tests use
// one of their own, so the sequences run without a window.
class VentanaInicio {
public:
    virtual ~VentanaInicio() = default;
    // Gives date field `index` (0 start date, 1 end date) its mask, display format and text.
    virtual void PreparaFecha(int index, const QString& mascara, const QString& formato,
                              const QString& texto) = 0;
    // The status label's caption, kept exactly (a lone carriage return breaks its lines).
    virtual void PonEstado(const QString& caption) = 0;
    virtual QString Titulo() const = 0;
    virtual void PonTitulo(const QString& caption) = 0;
    virtual qm::PuertoMensajes& Mensajes() = 0;
    // Closes the window at once; closing runs the shutdown sequence and ends the program.
    virtual void Cierra() = 0;
};

// What the main window holds from start to exit.
struct EstadoPrincipal {
    QString cArchivoIni;
    qm::Conexion cn; // the main connection, on the configured database
    QString cSQL;    // working SQL buffer, left holding the working copy's creation statement
    // The installation-path message offers this second choice ("" none); configurar tells
    // whether the user took it.
    QString opcionConfigurar;
    bool configurar = false;
};

// The second choice of a start-up message whose cause is a setting.
QString OpcionConfigurar();

// The program's version as major.minor.revision.
QString Version();

// The start-up sequence, step by step. False when the settings could not be loaded: the
// message has been shown and the window closed (so the shutdown has run), unless the user took
// the message's second choice (estado.configurar), which leaves the window to the caller. Any other
// failure is thrown, for the window to show before it closes.
bool Arranca(VentanaInicio& ventana, modComun& objetos, EstadoPrincipal& estado,
             const QString& carpetaEjecutable);

// The shutdown sequence: drops the working copy (unless another copy of the program keeps it
// busy), closes cn and releases the objects, passing over the failure of every step so that it
// always completes.
void Termina(modComun& objetos, EstadoPrincipal& estado) noexcept;

} // namespace inicio
