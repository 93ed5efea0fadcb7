#pragma once

#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/Mensajes.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <QString>

namespace inicio {

// The value of one INI key, after writing the default back when the value is empty.
// The write is tried a few times at most; when the value still reads empty (a file or folder
// that cannot be written) it fails naming the file, never loops.
QString LeeValorIni(const qm::libQMCM& libQMCM, const QString& seccion, const QString& clave,
                    const QString& porDefecto, const QString& archivoIni);

// Everything CargaConfiguracion needs beyond the objects.
struct EntornoConfiguracion {
    QString archivoIni;        // full path of Quiltaro.ini
    QString carpetaEjecutable; // default of the host installation folder
    qm::PuertoMensajes* mensajes = nullptr;
    // A second button of the installation-path message ("" none) and where to tell that the
    // user chose it.
    QString opcion;
    bool* eligioOpcion = nullptr;
};

// Loads the settings record of BasesDD from the INI file and the host's stored settings,
// repairing both stores. False after the installation-path message; the record is then
// untouched. Host failures pass to the caller.
bool CargaConfiguracion(const qm::libQMCM& libQMCM, qm::DelRegistro& DelRegistro,
                        qm::BasesDD& BasesDD, const qm::Utilerias& Utilerias,
                        const EntornoConfiguracion& entorno);

} // namespace inicio
