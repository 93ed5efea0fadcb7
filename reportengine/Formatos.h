#pragma once

#include <QString>

namespace motor {

// 1234567.891 -> "1,234,567.89": two decimals, comma thousands, point decimals (es-MX).
QString FormateaImporte(double valor);

// "2024-01-31" (as the server gives a date) -> "31/01/2024"; any other text as it stands.
QString FormateaFecha(const QString& fecha);

} // namespace motor
