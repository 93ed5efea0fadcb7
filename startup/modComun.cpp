#include "startup/modComun.h"

#include "host/Error.h"

#include <filesystem>
#include <system_error>

namespace inicio {

void modComun::CreaObjetos(const QString& carpetaEjecutable) {
    libQMCM = qm::CreaObjetoDe<qm::libQMCM>(QStringLiteral("qmtv5.libQMCM"));
    BasesDD = qm::CreaObjetoDe<qm::BasesDD>(QStringLiteral("qmtv5.BasesDD"));
    DeAyudaTV = qm::CreaObjetoDe<qm::DeAyudaTV>(QStringLiteral("qmtv5.DeAyudaTV"));
    DeArchivos = qm::CreaObjetoDe<qm::DeArchivos>(QStringLiteral("qmtv5.DeArchivos"));
    DeEquipo = qm::CreaObjetoDe<qm::DeEquipo>(QStringLiteral("qmtv5.DeEquipo"));
    DeMonedas = qm::CreaObjetoDe<qm::DeMonedas>(QStringLiteral("qmtv5.DeMonedas"));
    DelRegistro = qm::CreaObjetoDe<qm::DelRegistro>(QStringLiteral("qmtv5.DelRegistro"));
    Utilerias = qm::CreaObjetoDe<qm::Utilerias>(QStringLiteral("qmtv5.Utilerias"));

    // Relative paths of the run (the report template among them) are taken from here.
    std::error_code fallo;
    std::filesystem::current_path(std::filesystem::path(carpetaEjecutable.toStdString()), fallo);
    if (fallo)
        throw qm::Error(qm::errores::AccesoArchivo,
                        QStringLiteral("No se puede usar la carpeta %1: %2")
                            .arg(carpetaEjecutable, QString::fromStdString(fallo.message())));
}

void modComun::LiberaObjetos() noexcept {
    libQMCM.reset();
    BasesDD.reset();
    DeAyudaTV.reset();
    DeArchivos.reset();
    DeEquipo.reset();
    DeMonedas.reset();
    DelRegistro.reset();
    Utilerias.reset();
}

} // namespace inicio
