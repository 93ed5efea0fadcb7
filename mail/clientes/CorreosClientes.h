#pragma once

// The customers' addresses as the host's customer table keeps them. Apart from mail/ itself,
// which knows no database: the window and the command line call this and hand the addresses
// to DireccionesDe.

#include "host/Conexion.h"

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

} // namespace correo
