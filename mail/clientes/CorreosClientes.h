#pragma once

// The customers' addresses as the host's customer table keeps them. Apart from mail/ itself,
// which knows no database: the window and the command line call this and hand the addresses
// to DireccionesDe.

#include "host/Conexion.h"
#include "mail/Direcciones.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace correo {

// The column of clientes that holds the addresses: the one named ("Columna de correo" in
// Quiltaro.ini) when given, as the catalogue spells it; else a column named Email, EMail,
// Correo or CorreoElectronico in any case; "" when there is none. A named column that
// clientes lacks fails with errores::AjustesNoValidos naming it.
QString ColumnaCorreo(qm::Conexion& cn, const QString& nombrada);

// The column's text for each code found, keyed by the code as given. Each code is compared by
// the server, in a quoted literal, under the column's own collation, as the rest of the program
// compares customer codes; many codes to a statement.
QHash<QString, QString> CorreosDeClientes(qm::Conexion& cn, const QString& columna,
                                          const QStringList& claves);

// The customers' addresses: the table's column (the one named in Quiltaro.ini's "Columna de
// correo", or the one found) with the shop's Correos.csv in carpetaAjustes over it. A row of the
// file is found by its code as written, else in any case. Keyed by the codes as given.
QHash<QString, CorreosCliente> CorreosDelReporte(qm::Conexion& cn, const QString& columnaNombrada,
                                                 const QString& carpetaAjustes,
                                                 const QStringList& claves);

} // namespace correo
