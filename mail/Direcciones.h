#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace correo {

// A plain address, local@domain.tld in ASCII, with nothing a header could be cut at.
bool EsDireccionValida(const QString& direccion);

// The addresses in a text, separated by ";" or ",", trimmed, empty ones left out.
QStringList SeparaDirecciones(const QString& texto);

// Where to send one customer's statement.
struct CorreosCliente {
    QStringList validas; // each once, in the order given
    QStringList malas;   // shown to the user, never sent to
    bool nunca = false;  // the shop said never to send to this customer
    bool Tiene() const { return !nunca && !validas.isEmpty(); }
};

// One row of the shop's Correos.csv.
struct CorreosDelArchivo {
    QString direcciones;
    bool nunca = false;
};

// Correos.csv beside the user's settings.
QString ArchivoCorreos(const QString& carpetaAjustes);

// The rows of Correos.csv by customer code (as written, trimmed): the code, its addresses
// separated by ";", and "no" in a third column for never. An absent file is no rows; a header
// row (a first field "Clave" or "Cliente") is skipped. Fails with errores::ArchivoAjustes when
// the file is there but cannot be read.
QHash<QString, CorreosDelArchivo> LeeCorreos(const QString& archivo);

// A customer's addresses: the shop's file over the customer table's column. A row of the file
// with addresses replaces the column's; a row with "no" keeps the customer from ever being sent.
CorreosCliente DireccionesDe(const QString& delaTabla, const CorreosDelArchivo* delArchivo);

} // namespace correo
