#include "host/VariableDeSesion.h"

#include "host/Recordset.h"

namespace qm {

VariableDeSesion::VariableDeSesion(Conexion& cn, const QString& nombre, const QString& valor,
                                   Cambio cambio)
    : cn_(cn), nombre_(nombre) {
    antes_ = cn_.Consulta("SELECT @@SESSION." + nombre_).Valor(0).toString();
    if (cambio == Cambio::SoloParaSubir && antes_.toULongLong() >= valor.toULongLong())
        return;
    cn_.Execute("SET SESSION " + nombre_ + "=" + valor);
    cambiada_ = true;
}

VariableDeSesion::~VariableDeSesion() {
    if (!cambiada_)
        return;
    try {
        cn_.Execute("SET SESSION " + nombre_ + "=" + antes_);
    } catch (...) {
        // The session is gone, and its settings with it.
    }
}

} // namespace qm
