#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace modRPTs {

// Finds the table-location records of a report template. ruta gets ".rpt" appended in place
// when it holds no ".rpt" anywhere. Each table the engine's scan (EscaneaUbicaciones) finds
// gives one entry, "M name" or "A name", so overlapping windows can give the same table twice. A
// missing file or a malformed record fails, and then entradas is left as it was.
std::int16_t LeeTablasReporte(QString& ruta, QStringList& entradas);

// The entry of one window: "A " or "M " and the table name, the second NUL-terminated text
// after the driver's ".dll" and the one character after it; "" when it holds no ".dll".
// A table name without its NUL fails.
QString LeeUbicacion(const QByteArray& ventana);

// Applies a rename list ("old*new;old*new", blanks and letter case not counting) to a table
// name. An old name with a "." must match the whole name; one without matches the part after
// the name's first ".". On the first match the name becomes base followed by "." and the new
// name, and the result is true. An item without "*" fails when it is reached.
bool CambiaTabla(QString& nombre, const QString& listaCambios, const QString& base);

} // namespace modRPTs
