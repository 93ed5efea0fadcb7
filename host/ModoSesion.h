#pragma once

#include "host/Conexion.h"

#include <QString>

namespace qm {

// Holds a session's sql_mode for a while: Pon changes it, and the exact mode read at the start
// comes back when this goes, on failure too.
class ModoSesion {
public:
    explicit ModoSesion(Conexion& cn);
    ~ModoSesion();
    ModoSesion(const ModoSesion&) = delete;
    ModoSesion& operator=(const ModoSesion&) = delete;

    const QString& original() const { return original_; }
    // Sets the session's mode (nothing is sent when it is already that one).
    void Pon(const QString& modo);

private:
    Conexion& cn_;
    QString original_;
    QString actual_;
};

// The mode without what forbids a zero date as a column default ('0000-00-00'): NO_ZERO_DATE,
// NO_ZERO_IN_DATE and TRADITIONAL, which holds them. The rest, strictness included, stays.
QString SinFechaCero(const QString& modo);

// A strict mode with STRICT_ALL_TABLES added, so that a statement of many rows stops at its
// first refused row on any engine, keeping the rows before it as inserts of one row each
// would; a lenient mode as it is.
QString PorFilas(const QString& modo);

// True when the mode makes a statement fail on a value a column refuses.
bool EsEstricto(const QString& modo);

} // namespace qm
