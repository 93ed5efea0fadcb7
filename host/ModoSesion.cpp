#include "host/ModoSesion.h"

#include "host/Recordset.h"

#include <QStringList>

namespace qm {

ModoSesion::ModoSesion(Conexion& cn) : cn_(cn) {
    original_ = cn_.Consulta(QStringLiteral("SELECT @@SESSION.sql_mode")).Valor(0).toString();
    actual_ = original_;
}

ModoSesion::~ModoSesion() {
    try {
        Pon(original_);
    } catch (...) {
        // The session is gone; a new one starts in the server's mode anyway.
    }
}

void ModoSesion::Pon(const QString& modo) {
    if (modo == actual_)
        return;
    // Mode names are letters, digits, "_" and ",": nothing to escape.
    cn_.Execute(QStringLiteral("SET SESSION sql_mode='%1'").arg(modo));
    actual_ = modo;
}

QString SinFechaCero(const QString& modo) {
    QStringList partes = modo.split(QLatin1Char(','), Qt::SkipEmptyParts);
    partes.removeIf([](const QString& p) {
        return p == QLatin1String("NO_ZERO_DATE") || p == QLatin1String("NO_ZERO_IN_DATE") ||
               p == QLatin1String("TRADITIONAL");
    });
    return partes.join(QLatin1Char(','));
}

QString PorFilas(const QString& modo) {
    if (!EsEstricto(modo) ||
        modo.split(QLatin1Char(',')).contains(QLatin1String("STRICT_ALL_TABLES")))
        return modo;
    return modo + QStringLiteral(",STRICT_ALL_TABLES");
}

bool EsEstricto(const QString& modo) {
    const QStringList partes = modo.split(QLatin1Char(','));
    return partes.contains(QLatin1String("STRICT_TRANS_TABLES")) ||
           partes.contains(QLatin1String("STRICT_ALL_TABLES")) ||
           partes.contains(QLatin1String("TRADITIONAL"));
}

} // namespace qm
