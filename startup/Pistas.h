#pragma once

#include "host/Error.h"

#include <QString>

namespace inicio {

// Where the settings of a run come from, for the line that tells the user what to fix.
struct LugarAjustes {
    QString archivoIni;  // Quiltaro.ini, full path
    QString archivoHost; // the host's Trevanto.ini, full path
    QString servidor;    // as the settings give it; empty means this machine
    unsigned puerto = 3306;
    QString usuario;
};

// The reports database, which start-up creates when missing and the user may.
QString OrdenCreaReportes();

// One line saying what to check and where for a failure to open `base` or to work in it:
// server and port for a server not reached, the host's user keys for a refused login,
// "Base de datos a usar" for an unknown database, the right and the table for a refused
// statement. "" when there is nothing more to say than the server's text.
QString Pista(const qm::Error& error, const LugarAjustes& lugar, const QString& base);

// The error with its line added after its own text, so that the message still begins with
// "Error no. N: text".
qm::Error ConPista(const qm::Error& error, const LugarAjustes& lugar, const QString& base);

} // namespace inicio
