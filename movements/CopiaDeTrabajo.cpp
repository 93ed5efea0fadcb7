#include "movements/CopiaDeTrabajo.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"

namespace movimientos {

QString BaseReportes() {
    return QStringLiteral("trevantoreportes");
}

QString MensajeOcupado() {
    return QStringLiteral("Otro usuario está imprimiendo este reporte en este momento. "
                          "Intente de nuevo en unos segundos.");
}

QString NombreBloqueoCopia(qm::Conexion& cn) {
    // The server's own name of the database, the same for every copy of the program however
    // its settings spell it.
    const QString base = cn.Consulta(QStringLiteral("SELECT DATABASE()")).Valor(0).toString();
    return "quiltaro." + TablaTrabajo() + "." + base;
}

BloqueoCopia::BloqueoCopia(qm::Conexion& cn, std::chrono::seconds espera,
                           const std::function<void()>& entretanto)
    : qm::BloqueoNombrado(cn, NombreBloqueoCopia(cn), espera, entretanto) {}

void PreparaCopiaCompartida(const qm::BasesDD& BasesDD, qm::Conexion& cn, qm::Conexion& cnReportes,
                            QString& cSQL, std::chrono::seconds espera) {
    const BloqueoCopia bloqueo(cn, espera);
    if (!bloqueo.tomado())
        throw qm::Error(qm::mysql::EsperaAgotada,
                        QStringLiteral("Otro usuario está imprimiendo un reporte de esta base de "
                                       "datos en este momento. Intente de nuevo en unos "
                                       "segundos."));
    PreparaTablas(BasesDD, cn, cnReportes, cSQL);
}

bool BorraCopiaCompartida(qm::Conexion& cn, std::chrono::seconds espera) {
    const BloqueoCopia bloqueo(cn, espera);
    if (!bloqueo.tomado())
        return false;
    cn.Execute("Drop table if exists " + TablaTrabajo());
    return true;
}

bool ImprimeConCopia(const qm::BasesDD& BasesDD, qm::Conexion& cn, QString& cSQL,
                     const std::function<void()>& construye, const std::function<void()>& lee,
                     std::chrono::seconds espera, const QString& baseReportes,
                     const std::function<void()>& entretanto) {
    BloqueoCopia bloqueo(cn, espera, entretanto);
    if (!bloqueo.tomado())
        return false;
    if (!BasesDD.HayTabla(TablaTrabajo(), cn)) {
        qm::Conexion cnReportes;
        BasesDD.AbrirBdD(cnReportes, baseReportes);
        PreparaTablas(BasesDD, cn, cnReportes, cSQL);
        BasesDD.CierraBdD(cnReportes);
    }
    {
        // The build's largest statements take seconds on a large database.
        const qm::PlazoDeRespuesta largo(cn, qm::RespuestaLarga);
        construye();
    }
    if (!bloqueo.Vigente())
        throw qm::Error(qm::mysql::ServidorSeFue,
                        QStringLiteral("Se perdió la sesión con el servidor mientras se preparaba "
                                       "el reporte. Intente de nuevo."));
    lee();
    return true;
}

} // namespace movimientos
