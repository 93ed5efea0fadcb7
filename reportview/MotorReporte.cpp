#include "reportview/MotorReporte.h"

#include "reportengine/Ejecucion.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/Salida.h"
#include "reportview/Impresion.h"
#include "reportview/VistaPrevia.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPrinter>
#include <QPrinterInfo>

namespace motor {

namespace {

int Entero(const QVariant& valor, int id) {
    bool ok = false;
    const int n = valor.toInt(&ok);
    if (!ok)
        throw ErrorMotor(errores::ValorNoValido,
                         QStringLiteral("La propiedad %1 del reporte no acepta «%2».")
                             .arg(id)
                             .arg(valor.toString()));
    return n;
}

} // namespace

MotorReporte::MotorReporte() = default;
MotorReporte::~MotorReporte() = default;

VistaPrevia* MotorReporte::ultimaVista() const {
    return vista_.get();
}

void MotorReporte::Propiedad(int id, const QVariant& valor) {
    if (id == propiedad::Destino) {
        const int destino = Entero(valor, id);
        if (destino < int(Destino::Pantalla) || destino > int(Destino::Pdf))
            throw ErrorMotor(errores::ValorNoValido,
                             QStringLiteral("El destino %1 del reporte no existe; es 0 pantalla, "
                                            "1 impresora o 2 PDF.")
                                 .arg(destino));
    }
    if (id == propiedad::Accion) {
        const int accion = Entero(valor, id);
        propiedades_.insert(id, valor);
        if (accion == 1)
            Ejecuta();
        return;
    }
    propiedades_.insert(id, valor);
}

void MotorReporte::PropiedadIndexada(int id, int indice, const QVariant& valor) {
    if (id == propiedad::Ubicacion) {
        if (indice < 0 || indice >= TablasMaximas)
            throw ErrorMotor(errores::UbicacionFueraDeRango,
                             QStringLiteral("La tabla %1 no existe en el reporte.").arg(indice));
        ubicaciones_[indice] = valor.toString().trimmed();
        return;
    }
    propiedades_.insert(id * 1000 + indice, valor);
}

void MotorReporte::Ejecuta() {
    const auto destino = Destino(propiedades_.value(propiedad::Destino, 0).toInt());
    const Plantilla plantilla =
        LeeArchivoPlantilla(propiedades_.value(propiedad::ArchivoReporte).toString());
    const Diseno& d = plantilla.diseno;
    const QString solicitud = haySolicitud_ ? DescribeSolicitud(solicitud_) : QString();
    if (destino == Destino::Pantalla) {
        // The window opens at once and tells how far a long report got.
        vista_ = std::make_unique<VistaPrevia>(d.titulo, solicitud);
        vista_->PonOpcionesEnvio(envio_);
        vista_->show();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    try {
        Corrida corrida;
        corrida.conexion = propiedades_.value(propiedad::Conexion).toString();
        corrida.ubicaciones = ubicaciones_;
        if (haySolicitud_)
            corrida.solicitud = solicitud_;
        Avance avance;
        PrimeraPagina primera;
        if (destino == Destino::Pantalla) {
            primera = [vista = vista_.get()](std::shared_ptr<const Documento> pagina) {
                vista->MuestraPrimera(std::move(pagina));
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            };
            avance = [vista = vista_.get()](std::size_t hechas, std::size_t total,
                                            std::size_t paginas) {
                vista->Avanza(paginas, hechas, total);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            };
        }
        ReporteListo reporte = EjecutaReporte(plantilla, corrida, avance, primera);
        documento_ = std::make_shared<const Documento>(reporte.documento);
        if (destino == Destino::Pdf) {
            EscribePdf(*documento_, propiedades_.value(propiedad::ArchivoPdf).toString());
        } else if (destino == Destino::Impresora) {
            const QString nombre = propiedades_.value(propiedad::Impresora).toString();
            const QPrinterInfo info = nombre.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                       : QPrinterInfo::printerInfo(nombre);
            if (info.isNull())
                throw ErrorMotor(errores::ErrorSalida,
                                 nombre.isEmpty()
                                     ? QStringLiteral("No hay una impresora predeterminada.")
                                     : QStringLiteral("No existe la impresora «%1».").arg(nombre));
            QPrinter impresora(info, QPrinter::HighResolution);
            PreparaImpresora(*documento_, impresora);
            Imprime(*documento_, impresora);
        } else {
            vista_->Muestra(documento_, std::move(reporte.hojas), reporte.Hecho());
            // The demo and the tests take the previewed pages as a PDF without a file dialog.
            const QString ruta = qEnvironmentVariable("QUILTARO_VISTA_PDF");
            if (!ruta.isEmpty())
                vista_->GuardaPdf(ruta);
        }
    } catch (...) {
        // No half-made preview stays open after a failure.
        if (destino == Destino::Pantalla && vista_ && !vista_->lista())
            vista_.reset();
        throw;
    }
}

} // namespace motor
