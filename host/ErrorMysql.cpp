#include "host/ErrorMysql.h"

#include <errmsg.h>
#include <mysql.h>

namespace qm {

Error FalloDe(MYSQL* m) {
    return Error(static_cast<long>(mysql_errno(m)), QString::fromUtf8(mysql_error(m)));
}

Error FalloDe(MYSQL_STMT* s) {
    // A row fetch that loses the session leaves the error on the session, not the statement.
    if (mysql_stmt_errno(s) == 0 && s->mysql && mysql_errno(s->mysql) != 0)
        return FalloDe(s->mysql);
    return Error(static_cast<long>(mysql_stmt_errno(s)), QString::fromUtf8(mysql_stmt_error(s)));
}

namespace {

Error NombraServidor(const Error& error, const ParametrosConexion& p) {
    if (error.numero() != CR_SERVER_LOST && error.numero() != CR_SERVER_LOST_EXTENDED)
        return error;
    return Error(error.numero(),
                 QStringLiteral("Se perdió la comunicación con el servidor de la base de datos "
                                "(%1): %2")
                     .arg(ServidorYPuerto(p), error.descripcion()));
}

} // namespace

Error FalloDe(MYSQL* m, const ParametrosConexion& parametros) {
    return NombraServidor(FalloDe(m), parametros);
}

Error FalloDe(MYSQL_STMT* s, const ParametrosConexion& parametros) {
    return NombraServidor(FalloDe(s), parametros);
}

bool SesionPerdida(const Error& error) {
    return error.numero() >= CR_MIN_ERROR && error.numero() <= CR_MAX_ERROR;
}

bool ServidorInalcanzable(const Error& error) {
    switch (error.numero()) {
    case CR_CONNECTION_ERROR:
    case CR_CONN_HOST_ERROR:
    case CR_UNKNOWN_HOST:
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
        return true;
    default:
        return false;
    }
}

} // namespace qm
