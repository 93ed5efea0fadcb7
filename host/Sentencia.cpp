#include "host/Sentencia.h"

#include "host/ErrorMysql.h"

namespace qm {

Sentencia PreparaSentencia(Conexion& cn, const QString& sql) {
    cn.Anuncia(sql);
    MYSQL* m = cn.nativo();
    Sentencia s(mysql_stmt_init(m));
    if (!s)
        throw FalloDe(m, cn.parametros());
    const QByteArray texto = sql.toUtf8();
    if (mysql_stmt_prepare(s.get(), texto.constData(), static_cast<unsigned long>(texto.size())) !=
        0)
        throw FalloDe(s.get(), cn.parametros());
    return s;
}

} // namespace qm
