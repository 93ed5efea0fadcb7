#pragma once

#include "ParametrosReporte.h"
#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/Error.h"
#include "host/Mensajes.h"
#include "reportengine/ControlReporte.h"

#include <QString>
#include <functional>

namespace modRPTs {

// The report module of the program: its settings record and the runner that hands a template,
// its table locations and the connection to the report engine. The window makes one and keeps
// it for the whole run; the objects it is given must outlive it.
class ModuloReportes {
public:
    ModuloReportes(const qm::BasesDD& BasesDD, qm::DelRegistro& DelRegistro,
                   motor::ControlReporte& crpReporte, qm::PuertoMensajes& mensajes);

    ParametrosReporte& parametros() { return ParametrosReporte_; }
    const ParametrosReporte& parametros() const { return ParametrosReporte_; }

    // Every field back to 0 or "", the list to one empty element.
    void LimpiaReporte();

    // Writes the ODBC data sources, reads the template's tables, points each at the working
    // database (kind "A" at filePath; the others through renameList, "" for none), hands over
    // the settings and the connection text and runs the report. Each failure is shown in an
    // "Error" box and the next step follows; nothing reaches the caller.
    void ImprimeReporte(const QString& filePath, const QString& renameList) noexcept;

private:
    // Runs one step; a failure is shown and swallowed.
    void Paso(const std::function<void()>& paso) noexcept;
    void MuestraError(const qm::Error& error) noexcept;
    void UbicaTabla(int tabla, const QString& entrada, const QString& filePath,
                    const QString& renameList) noexcept;

    const qm::BasesDD& BasesDD_;
    qm::DelRegistro& DelRegistro_;
    motor::ControlReporte& crpReporte_;
    qm::PuertoMensajes& mensajes_;
    ParametrosReporte ParametrosReporte_;
};

} // namespace modRPTs
