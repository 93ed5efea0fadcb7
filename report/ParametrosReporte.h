#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace modRPTs {

// The settings of the report to print, handed to the engine property by property. Those
// without a fixed meaning in the engine are 0 or "" in this program.
struct ParametrosReporte {
    std::int32_t Propiedad15 = 0;
    QString ArchivoReporte; // full path of the template
    std::int16_t Propiedad24 = 0;
    std::int16_t Propiedad25 = 0;
    QString Propiedad12;
    QStringList Lista30{QString()}; // element 0 goes to the engine
    QString Propiedad13;
    QString Propiedad47;
    QString Propiedad48;
    QString Propiedad49;
};

} // namespace modRPTs
