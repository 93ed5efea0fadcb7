#include "host/ObjetoQM.h"

#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/Error.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <array>

namespace qm {

namespace {

template <class T> std::unique_ptr<ObjetoQM> Fabrica() {
    return std::make_unique<T>();
}

struct Registro {
    const char* clase;
    std::unique_ptr<ObjetoQM> (*crea)();
};

constexpr std::array<Registro, 8> registros{{
    {"qmtv5.libQMCM", &Fabrica<libQMCM>},
    {"qmtv5.BasesDD", &Fabrica<BasesDD>},
    {"qmtv5.DeAyudaTV", &Fabrica<DeAyudaTV>},
    {"qmtv5.DeArchivos", &Fabrica<DeArchivos>},
    {"qmtv5.DeEquipo", &Fabrica<DeEquipo>},
    {"qmtv5.DeMonedas", &Fabrica<DeMonedas>},
    {"qmtv5.DelRegistro", &Fabrica<DelRegistro>},
    {"qmtv5.Utilerias", &Fabrica<Utilerias>},
}};

} // namespace

std::unique_ptr<ObjetoQM> CreaObjeto(const QString& clase) {
    // Class names of automation objects do not depend on case.
    for (const Registro& r : registros)
        if (clase.compare(QLatin1String(r.clase), Qt::CaseInsensitive) == 0)
            return r.crea();
    throw Error(errores::ObjetoNoCreado,
                QStringLiteral("No se puede crear el objeto %1: clase no registrada").arg(clase));
}

} // namespace qm
