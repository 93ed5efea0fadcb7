#pragma once

// A prepared statement on a connection's native session. Internal to the host library.

#include "host/Conexion.h"

#include <QString>
#include <memory>
#include <mysql.h>

namespace qm {

struct CierraSentencia {
    void operator()(MYSQL_STMT* s) const { mysql_stmt_close(s); }
};
using Sentencia = std::unique_ptr<MYSQL_STMT, CierraSentencia>;

// Announces sql to the connection's observer and prepares it on its session.
Sentencia PreparaSentencia(Conexion& cn, const QString& sql);

} // namespace qm
