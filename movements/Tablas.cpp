#include "movements/Tablas.h"

#include "host/ModoSesion.h"
#include "host/Recordset.h"

namespace movimientos {

QString SentenciaCreaRavesta() {
    return "CREATE TABLE if not exists `" + TablaRavesta() + "` (" +
           QStringLiteral("`Cliente` varchar(10) NOT NULL DEFAULT '',") +
           QStringLiteral("`Fecha` date NOT NULL DEFAULT '0000-00-00',") +
           QStringLiteral("`Hora` varchar(8) NOT NULL DEFAULT '00:00:00',") +
           QStringLiteral("`Movimiento` varchar(20) NOT NULL DEFAULT '',") +
           QStringLiteral("`Folio` varchar(10) NOT NULL DEFAULT '',") +
           QStringLiteral("`Ventas` double NOT NULL DEFAULT '0',") +
           QStringLiteral("`Devoluciones` double NOT NULL DEFAULT '0',") +
           QStringLiteral("`Pagos` double NOT NULL DEFAULT '0',") +
           QStringLiteral("`SaldoAnterior` double NOT NULL DEFAULT '0',") +
           QStringLiteral("`SaldoActual` double NOT NULL DEFAULT '0',") +
           QStringLiteral("KEY (`Cliente`,`Fecha`,`Hora`)") + QStringLiteral(") ENGINE=MyISAM");
}

void PreparaTablas(const qm::BasesDD& BasesDD, qm::Conexion& cn, qm::Conexion& cnReportes,
                   QString& cSQL) {
    // The definitions keep their '0000-00-00' default, which servers in NO_ZERO_DATE mode
    // (MySQL 5.7 and 8.0 by default) refuse; both sessions accept it while the tables are
    // made, and get their own mode back after.
    qm::ModoSesion modoReportes(cnReportes);
    modoReportes.Pon(qm::SinFechaCero(modoReportes.original()));
    qm::ModoSesion modo(cn);
    modo.Pon(qm::SinFechaCero(modo.original()));
    if (!BasesDD.HayTabla(TablaRavesta(), cnReportes)) {
        cSQL = SentenciaCreaRavesta();
        cnReportes.Execute(cSQL);
    }
    qm::Recordset rs = cnReportes.Consulta("Show create table " + TablaRavesta());
    cSQL = rs.Valor(1).toString();
    rs.Cierra();
    cSQL.replace(TablaRavesta(), TablaTrabajo(), Qt::CaseSensitive);
    cn.Execute("Drop table if exists " + TablaTrabajo());
    cn.Execute(cSQL);
}

} // namespace movimientos
