#include "host/Error.h"

#include <utility>

namespace qm {

Error::Error(long numero, QString descripcion)
    : numero_(numero), descripcion_(std::move(descripcion)), utf8_(texto().toUtf8()) {}

QString Error::texto() const {
    return QStringLiteral("Error no. %1: %2").arg(QString::number(numero_), descripcion_);
}

} // namespace qm
