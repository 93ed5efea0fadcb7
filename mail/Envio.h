#pragma once

#include "mail/Ajustes.h"
#include "mail/Bitacora.h"
#include "mail/Direcciones.h"
#include "mail/SesionSmtp.h"

#include <QDate>
#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace correo {

// One customer's statement to send.
struct EstadoPorEnviar {
    QString clave;
    QString nombre;
    double saldo = 0;
    QString archivo; // the statement file, as the statements run wrote it
    CorreosCliente correos;
};

struct OpcionesEnvio {
    QString periodo;                        // "01/11/2026 al 30/11/2026": {periodo}, and the log's
    QDate fecha = QDate::currentDate();     // {fecha}
    bool reenviar = false;                  // send again those whose statement of the period went
    bool soloFallidos = false;              // only the failed ones of the last run
    int reintentos = 3;                     // after a 4xx or a dropped connection
    std::chrono::milliseconds pausa{10000}; // before each retry
};

// What a run did.
struct Resumen {
    std::size_t enviados = 0;
    std::size_t fallidos = 0;    // refused, or not sent after the retries
    std::size_t sinCorreo = 0;   // no address that can be used
    std::size_t yaEnviados = 0;  // left out: their statement of the period had gone
    std::size_t sinIntentar = 0; // not tried: cancelled, or the run stopped
    QString falla;               // why the run stopped before its end; "" when it did not
    bool cancelado = false;
};

// Called on the calling thread after each customer's row is in the log: that row, customers
// done and in all (a command line prints the row, a window counts). False stops the run after
// the message under way; the customers left are still logged, and reported, "no enviado".
using AvanceEnvio =
    std::function<bool(const Asiento& asiento, std::size_t hechos, std::size_t total)>;

// Sends each customer's statement over one SMTP session and appends a row per customer to
// Envíos.csv in the statements folder. A 4xx or a dropped connection is tried again up to
// opciones.reintentos times after a pause; a 5xx is logged and the run goes on; a refused
// login, a certificate that is not verified, or a server that stays gone stops the run, and
// the customers not tried are logged "no enviado" with the reason. A customer is sent once
// at most, and never when the log shows its statement of the period sent, unless asked.
// Fails (errores::AjustesNoValidos, errores::Bitacora) before sending anything when the
// settings cannot be used or the log cannot be read or written.
Resumen EnviaEstados(const AjustesCorreo& ajustes, const QString& contrasena,
                     const std::vector<EstadoPorEnviar>& estados, const QString& carpetaEstados,
                     const OpcionesEnvio& opciones, const AvanceEnvio& avance = {});

// The message a customer would get, as it will go (for "Vista previa del correo").
Mensaje MensajeDe(const AjustesCorreo& ajustes, const EstadoPorEnviar& estado,
                  const OpcionesEnvio& opciones);

// Sends the customer's message to the sender's own address only, once, with "[Prueba]" before
// its subject; nothing is logged.
Respuesta EnviaPrueba(const AjustesCorreo& ajustes, const QString& contrasena,
                      const EstadoPorEnviar& estado, const OpcionesEnvio& opciones);

} // namespace correo
