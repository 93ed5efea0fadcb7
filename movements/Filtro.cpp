#include "movements/Filtro.h"

namespace movimientos {

void AgregaCondicion(QString& texto, const QString& condicion) {
    if (texto.toLower().contains(QStringLiteral("where")))
        texto += QStringLiteral(" and ");
    else
        texto = QStringLiteral(" where ");
    if (!condicion.isEmpty())
        texto += condicion;
}

namespace {

void AgregaFecha(QString& cSQL, const QString& texto, const QString& plantilla,
                 const qm::libQMCM& libQMCM, const qm::Utilerias& Utilerias) {
    if (const std::optional<QDate> fecha = qm::LeeFecha(texto))
        AgregaCondicion(cSQL, Utilerias.CambXXX(plantilla, libQMCM.FechaSQL(*fecha)));
}

} // namespace

void ArmaFiltro(QString& cSQL, ColumnaDelCliente columna, const Solicitud& solicitud,
                const qm::libQMCM& libQMCM, const qm::Utilerias& Utilerias, qm::Conexion& cn) {
    cSQL.clear();
    AgregaFecha(cSQL, solicitud.fechaInicial, QStringLiteral("Fecha>='XXX'"), libQMCM, Utilerias);
    AgregaFecha(cSQL, solicitud.fechaFinal, QStringLiteral("Fecha<='XXX'"), libQMCM, Utilerias);
    if (solicitud.cliente.trimmed().isEmpty())
        return;
    AgregaCondicion(cSQL, QString());
    // The code goes in as typed, blanks included; only quotes and backslashes are escaped.
    const QString plantilla = columna == ColumnaDelCliente::Clave ? QStringLiteral("Clave='XXX'")
                                                                  : QStringLiteral("Cliente='XXX'");
    cSQL += Utilerias.CambXXX(plantilla, cn.Escapa(solicitud.cliente));
}

} // namespace movimientos
