#include "reportengine/Solicitud.h"

namespace motor {

namespace {

QString Dia(const QDate& fecha) {
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

QString DescribePeriodo(const Solicitud& s) {
    const bool desde = s.desde.isValid();
    const bool hasta = s.hasta.isValid();
    if (desde && hasta)
        return QStringLiteral("Del %1 al %2").arg(Dia(s.desde), Dia(s.hasta));
    if (hasta)
        return QStringLiteral("Desde el inicio al %1").arg(Dia(s.hasta));
    if (desde)
        return QStringLiteral("Del %1 en adelante").arg(Dia(s.desde));
    return QStringLiteral("Todas las fechas");
}

QString DescribeSolicitud(const Solicitud& s) {
    const QString cliente = s.cliente.trimmed().isEmpty()
                                ? QStringLiteral("Todos los clientes")
                                : QStringLiteral("Cliente %1").arg(s.cliente);
    return DescribePeriodo(s) + QStringLiteral(" · ") + cliente;
}

} // namespace motor
