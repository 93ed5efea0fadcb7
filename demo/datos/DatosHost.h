#pragma once

#include "host/Conexion.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace demo {

// What to generate: a seed, how many customers and collected movements, and the date range of
// the documents. The same options give the same data.
struct OpcionesDatos {
    std::uint64_t semilla = 1;
    int clientes = 60;
    // Rows that a build over every customer and the whole range collects (about).
    int movimientos = 3000;
    QDate desde;
    QDate hasta;
    // Share of the customers that have no document at all.
    double sinMovimientos = 0.1;
    // One more customer, "C001", whose documents carry its code as "C001", "c001" and "C001 ",
    // as the host's forms accept them; most of them last month (before hasta's month).
    bool variantesDeClave = false;
};

// What was written.
struct ResumenDatos {
    int clientes = 0;
    int remisiones = 0;
    int facturas = 0;
    int devoluciones = 0;
    int estado = 0;     // rows of edoctacli
    QStringList claves; // customer codes, in creation order
};

// The demo's size: about 60 customers, a year of data ending today, and the customer with its
// code written three ways.
OpcionesDatos OpcionesDemo(const QDate& hoy);

// The benchmarks' size: that many collected movements of that many customers over the two years
// to 30/11/2026, the same every run.
OpcionesDatos OpcionesBanco(int movimientos, int clientes);

// The host tables' creation statements, one text each.
QStringList SentenciasEsquema();

// Drops and creates clientes, remisiones, facturas, devolucionctes and edoctacli on cn's
// database.
void CreaEsquema(qm::Conexion& cn);

// Creates the schema and fills it. Customers come with accents and apostrophes in names and
// codes (one code with an apostrophe, one with a backslash); documents with and without series,
// series with trailing blanks, cancelled ones, returns; statement rows with consistent running
// balances and every kind of row the payment conditions tell apart; equal dates and times.
ResumenDatos GeneraDatos(qm::Conexion& cn, const OpcionesDatos& opciones);

} // namespace demo
