#pragma once

#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/ObjetoQM.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <QString>
#include <memory>

namespace inicio {

// The eight host objects of the whole run, created once at start and released at exit,
// both in this order. The four that no operation calls are created all the same, so a host
// library without one of them stops the start.
struct modComun {
    std::unique_ptr<qm::libQMCM> libQMCM;
    std::unique_ptr<qm::BasesDD> BasesDD;
    std::unique_ptr<qm::DeAyudaTV> DeAyudaTV;
    std::unique_ptr<qm::DeArchivos> DeArchivos;
    std::unique_ptr<qm::DeEquipo> DeEquipo;
    std::unique_ptr<qm::DeMonedas> DeMonedas;
    std::unique_ptr<qm::DelRegistro> DelRegistro;
    std::unique_ptr<qm::Utilerias> Utilerias;

    // Creates the eight objects by class name, then makes the executable's folder the current
    // directory (there is no drive to set on this platform).
    void CreaObjetos(const QString& carpetaEjecutable);
    // Releases the eight objects in creation order, leaving each reference empty.
    void LiberaObjetos() noexcept;
};

} // namespace inicio
