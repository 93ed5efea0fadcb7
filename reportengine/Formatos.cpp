#include "reportengine/Formatos.h"

#include <cmath>

namespace motor {

QString FormateaImporte(double valor) {
    if (!std::isfinite(valor))
        return QString::number(valor);
    QString cifras = QString::number(std::fabs(valor), 'f', 2);
    const bool negativo = valor < 0 && cifras != QLatin1String("0.00");
    const qsizetype punto = cifras.size() - 3;
    QString r;
    r.reserve(cifras.size() + cifras.size() / 3 + 1);
    if (negativo)
        r += QLatin1Char('-');
    for (qsizetype i = 0; i < punto; ++i) {
        if (i > 0 && (punto - i) % 3 == 0)
            r += QLatin1Char(',');
        r += cifras[i];
    }
    r += QStringView(cifras).mid(punto);
    return r;
}

QString FormateaFecha(const QString& fecha) {
    if (fecha.size() != 10 || fecha[4] != QLatin1Char('-') || fecha[7] != QLatin1Char('-'))
        return fecha;
    return fecha.mid(8, 2) + QLatin1Char('/') + fecha.mid(5, 2) + QLatin1Char('/') + fecha.left(4);
}

} // namespace motor
