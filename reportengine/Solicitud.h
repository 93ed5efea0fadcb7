#pragma once

#include <QDate>
#include <QString>

namespace motor {

// What the user asked the report for, as typed in the window: the period (a null date leaves
// that end open) and the customer code the movements were built for ("" for every customer).
struct Solicitud {
    QDate desde;
    QDate hasta;
    QString cliente;
};

// The request in words, as the report prints it under its title:
// "Del 01/11/2026 al 30/11/2026 · Todos los clientes",
// "Desde el inicio al 30/11/2026 · Cliente C001".
QString DescribePeriodo(const Solicitud& solicitud);
QString DescribeSolicitud(const Solicitud& solicitud);

} // namespace motor
