#pragma once

#include "host/Mensajes.h"

class QWidget;

// The window's message boxes: modal, over the window, with the message's icon and one OK
// button. The lone carriage returns of the text become line breaks.
class MensajesVentana final : public qm::PuertoMensajes {
public:
    explicit MensajesVentana(QWidget* ventana) : ventana_(ventana) {}
    void Muestra(const qm::Mensaje& mensaje) override;
    bool MuestraConOpcion(const qm::Mensaje& mensaje, const QString& opcion) override;

private:
    QWidget* ventana_;
};
