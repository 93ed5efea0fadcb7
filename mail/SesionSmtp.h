#pragma once

#include "mail/Ajustes.h"
#include "mail/Mensaje.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace correo {

// How one message ended.
enum class Desenlace {
    Aceptado,   // the server took it (2xx after the data)
    Temporal,   // a 4xx: worth trying again after a pause
    Permanente, // a 5xx for this message: trying again will not help
    Conexion,   // the connection could not be made, dropped or went silent: try again
    Fatal,      // no message can go: login refused, certificate not verified, no STARTTLS
};

struct Respuesta {
    Desenlace desenlace = Desenlace::Conexion;
    QString texto; // the server's last answer, or what failed, in Spanish
};

// One SMTP session for a whole run, through libcurl: a single easy handle, so every message
// goes over the one connection (one TLS handshake, one login) while the server keeps it open;
// a dropped one is opened again for the next message. STARTTLS is required (or TLS from the
// start), the server's certificate verified against the system's authorities or the shop's
// file, every wait bounded. The password is handed to libcurl only.
class SesionSmtp {
public:
    // Fails with errores::AjustesNoValidos when RevisaAjustes finds a fault.
    SesionSmtp(const AjustesCorreo& ajustes, const QString& contrasena);
    ~SesionSmtp();
    SesionSmtp(const SesionSmtp&) = delete;
    SesionSmtp& operator=(const SesionSmtp&) = delete;

    // Sends the message with the attachment's bytes; never throws for what the server does.
    Respuesta Envia(const Mensaje& mensaje, const QByteArray& adjunto);

    // Connects, raises TLS and logs in as a send would, sending nothing ("Probar conexión"):
    // Aceptado when all of it went. For a session made for this alone.
    Respuesta Conecta();

private:
    struct Estado;
    std::unique_ptr<Estado> e_;
};

} // namespace correo
