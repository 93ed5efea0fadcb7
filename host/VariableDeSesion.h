#pragma once

#include "host/Conexion.h"

#include <QString>

namespace qm {

// Whether a value already set gives way: Siempre sets the new one; SoloParaSubir keeps a
// value already as large.
enum class Cambio { Siempre, SoloParaSubir };

// Keeps a session variable at a value for a while, then puts its value back.
class VariableDeSesion {
public:
    VariableDeSesion(Conexion& cn, const QString& nombre, const QString& valor,
                     Cambio cambio = Cambio::Siempre);
    ~VariableDeSesion();
    VariableDeSesion(const VariableDeSesion&) = delete;
    VariableDeSesion& operator=(const VariableDeSesion&) = delete;

private:
    Conexion& cn_;
    QString nombre_;
    QString antes_;
    bool cambiada_ = false;
};

} // namespace qm
