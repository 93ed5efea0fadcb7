#pragma once

#include "reportengine/ControlReporte.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/Paginas.h"
#include "reportengine/Plantilla.h"
#include "reportview/DialogoEnvio.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <map>
#include <memory>

namespace motor {

class VistaPrevia;

// The report control: keeps what the runner sets and, on 17 = 1, reads the template, runs the
// engine's core on it (EjecutaReporte) and sends the pages to the chosen destination. To the
// screen, QUILTARO_VISTA_PDF=<path> in the environment also saves the previewed pages there
// (FORMAT.md).
class MotorReporte : public ControlReporte {
public:
    MotorReporte();
    ~MotorReporte() override;
    MotorReporte(const MotorReporte&) = delete;
    MotorReporte& operator=(const MotorReporte&) = delete;

    void Propiedad(int id, const QVariant& valor) override;
    void PropiedadIndexada(int id, int indice, const QVariant& valor) override;
    void PonSolicitud(const Solicitud& solicitud) override {
        solicitud_ = solicitud;
        haySolicitud_ = true;
    }
    const Solicitud& solicitud() const { return solicitud_; }

    // What was last set for that id, an empty value when nothing was.
    QVariant Valor(int id) const { return propiedades_.value(id); }

    // The preview window of the last run to the screen; null when none is open.
    VistaPrevia* ultimaVista() const;

    // What the preview's sending dialog takes from the program (the customers' addresses).
    void PonOpcionesEnvio(OpcionesDialogoEnvio opciones) { envio_ = std::move(opciones); }

    // The pages of the last run, whatever its destination.
    const Documento& ultimoDocumento() const { return *documento_; }

private:
    void Ejecuta();

    QHash<int, QVariant> propiedades_;
    std::map<int, QString> ubicaciones_;
    Solicitud solicitud_;
    bool haySolicitud_ = false; // a report run without a request prints no request line
    std::shared_ptr<const Documento> documento_ = std::make_shared<Documento>();
    std::unique_ptr<VistaPrevia> vista_;
    OpcionesDialogoEnvio envio_;
};

} // namespace motor
