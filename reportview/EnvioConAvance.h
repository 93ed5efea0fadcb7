#pragma once

#include "mail/Envio.h"
#include "reportengine/EstadosCuenta.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

class QWidget;

namespace motor {

// A count as the program writes counts: "1,000".
QString TextoCuenta(std::size_t n);

// One sending run from the window.
struct PedidoEnvio {
    correo::AjustesCorreo ajustes;
    QString contrasena;
    std::vector<std::size_t> aEscribir;           // groups whose statement is written first
    std::vector<correo::EstadoPorEnviar> estados; // what is sent, in order
    QString carpeta;
    correo::OpcionesEnvio opciones;
};

// Called on the window's thread after each customer's turn: customers done and in all.
using AvanceVentana = std::function<void(std::size_t hechos, std::size_t total)>;

// Writes the statements asked for in the folder, as the statements run writes them (with the
// index of those written), then sends, all on a thread of its own while a progress dialog over
// padre says "Enviado 312 de 1,000" and can cancel: the message under way ends, the rest is
// logged "no enviado". Cancelled while writing, nothing is sent (resumen.cancelado). Fails
// with ErrorMotor when a statement cannot be written or the sending cannot start.
correo::Resumen EnviaConAvance(QWidget* padre, const ReporteHecho& reporte,
                               const PedidoEnvio& pedido, const AvanceVentana& avanzo = {});

// The one statement of that group in the folder, with a busy dialog over padre.
void EscribeUnEstado(QWidget* padre, const ReporteHecho& reporte, std::size_t grupo,
                     const QString& carpeta);

} // namespace motor
