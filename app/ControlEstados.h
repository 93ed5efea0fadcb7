#pragma once

#include "reportengine/ControlReporte.h"
#include "reportengine/Ejecucion.h"

#include <QHash>
#include <QVariant>
#include <map>
#include <optional>

// The report control of a run without a window: the runner sets it as for a Print, and on
// 17 = 1 it runs the engine's core and keeps the finished report for the statements, instead
// of sending pages anywhere.
class ControlEstados final : public motor::ControlReporte {
public:
    void Propiedad(int id, const QVariant& valor) override;
    void PropiedadIndexada(int id, int indice, const QVariant& valor) override;
    void PonSolicitud(const motor::Solicitud& solicitud) override { solicitud_ = solicitud; }

    // The report of the last run; none when it failed or never ran.
    const std::optional<motor::ReporteListo>& reporte() const { return reporte_; }

private:
    QHash<int, QVariant> propiedades_;
    std::map<int, QString> ubicaciones_;
    motor::Solicitud solicitud_;
    std::optional<motor::ReporteListo> reporte_;
};
