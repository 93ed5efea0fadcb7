#pragma once

#include "mail/Direcciones.h"
#include "mail/Envio.h"
#include "reportengine/EstadosCuenta.h"

#include <QHash>
#include <QString>
#include <vector>

namespace correo {

// A customer of the report, as the sending dialog lists it and the sending takes it.
struct ClienteDelReporte {
    QString clave;
    QString nombre;
    double saldo = 0; // closing balance, as printed
    QString tramo;    // the oldest ageing bucket with an amount, named as printed; "" if none
    double importeTramo = 0; // that bucket's amount, as printed
    QString archivo;         // the statement's file name, as EscribeEstados writes it
};

// One per group of the report, in order.
std::vector<ClienteDelReporte> ClientesDelReporte(const motor::ReporteHecho& reporte);

// The given customers as statements to send from the folder, each with its addresses (a
// customer missing from correos has none).
std::vector<EstadoPorEnviar> EstadosPorEnviar(const std::vector<ClienteDelReporte>& clientes,
                                              const QString& carpeta,
                                              const QHash<QString, CorreosCliente>& correos);

} // namespace correo
