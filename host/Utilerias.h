#pragma once

#include "ObjetoQM.h"

#include <QString>
#include <QVariant>

namespace qm {

// Text services of the host library.
class Utilerias final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.Utilerias"); }

    // The template with every "XXX" replaced by the value's text, with no quoting.
    QString CambXXX(const QString& plantilla, const QVariant& valor) const;

    // Stored form of a credential: printable ASCII, never the plain text, never blank, and
    // reversible for every UTF-8 text, the empty one included. This is an encoding that keeps
    // a password from being read at a glance; it is not protection.
    QString Encripta(const QString& texto) const;
    // The plain form. A text that is not in the stored form is returned unchanged, so a
    // credential typed by hand into the host's settings still works.
    QString DesEncripta(const QString& texto) const;
};

} // namespace qm
