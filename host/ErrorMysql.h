#pragma once

#include "comun/ErroresMysql.h"
#include "host/Conexion.h"
#include "host/Error.h"

typedef struct st_mysql MYSQL;
typedef struct st_mysql_stmt MYSQL_STMT;

namespace qm {

// The server's numbers the program acts on: qm::mysql::BaseDesconocida and the rest.
namespace mysql = comun::mysql;

// The last failure of a Connector/C session or statement, with its own number and text.
Error FalloDe(MYSQL* m);
Error FalloDe(MYSQL_STMT* s);
// The same; a session lost half way (the server went silent past a timeout, or went away)
// names the server and port, so that the user knows which one to look at.
Error FalloDe(MYSQL* m, const ParametrosConexion& parametros);
Error FalloDe(MYSQL_STMT* s, const ParametrosConexion& parametros);

// A client-side failure (2000-2999: the session lost, the server gone or not reached): nothing
// more can be asked on this session.
bool SesionPerdida(const Error& error);

// True for a server that could not be reached or a session lost on the way (the client's own
// errors), false for an error that the server answered with.
bool ServidorInalcanzable(const Error& error);

} // namespace qm
