#pragma once

#include "host/Mensajes.h"

#include <cstddef>

// Message boxes as lines on the standard error, for a run without a window: "title: text",
// the host's lone carriage returns made line ends. It counts the messages it was given.
class MensajesConsola final : public qm::PuertoMensajes {
public:
    void Muestra(const qm::Mensaje& mensaje) override;
    std::size_t mostrados() const { return mostrados_; }

private:
    std::size_t mostrados_ = 0;
};

// A line on the standard output, written at once (a service's journal shows it as it comes).
void EscribeLinea(const QString& linea);
// A line on the standard error.
void EscribeError(const QString& linea);
