#pragma once

#include <QByteArray>
#include <QStringList>
#include <vector>

namespace correo {

// The rows of a CSV text (RFC 4180: quotes around fields that hold the separator, a quote or a
// line end; CRLF or LF), UTF-8 with or without a byte-order mark. Fields split at commas; a
// line without a comma splits at semicolons, as a spreadsheet in Spanish saves it.
std::vector<QStringList> LeeCsv(const QByteArray& bytes);

} // namespace correo
