#pragma once

#include "Error.h"

namespace qm {

template <class T> std::unique_ptr<T> CreaObjetoDe(const QString& clase) {
    std::unique_ptr<ObjetoQM> objeto = CreaObjeto(clase);
    if (auto* tipado = dynamic_cast<T*>(objeto.get())) {
        objeto.release();
        return std::unique_ptr<T>(tipado);
    }
    throw Error(errores::ObjetoNoCreado,
                QStringLiteral("El objeto %1 no es de la clase esperada").arg(clase));
}

} // namespace qm
