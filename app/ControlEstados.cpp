#include "app/ControlEstados.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/FormatoPlantilla.h"

void ControlEstados::Propiedad(int id, const QVariant& valor) {
    propiedades_.insert(id, valor);
    if (id != motor::propiedad::Accion || valor.toInt() != 1)
        return;
    reporte_.reset();
    motor::Corrida corrida;
    corrida.conexion = propiedades_.value(motor::propiedad::Conexion).toString();
    corrida.ubicaciones = ubicaciones_;
    corrida.solicitud = solicitud_;
    reporte_ = motor::EjecutaReporte(
        motor::LeeArchivoPlantilla(propiedades_.value(motor::propiedad::ArchivoReporte).toString()),
        corrida);
}

void ControlEstados::PropiedadIndexada(int id, int indice, const QVariant& valor) {
    if (id == motor::propiedad::Ubicacion) {
        if (indice < 0 || indice >= motor::TablasMaximas)
            throw motor::ErrorMotor(
                motor::errores::UbicacionFueraDeRango,
                QStringLiteral("La tabla %1 no existe en el reporte.").arg(indice));
        ubicaciones_[indice] = valor.toString().trimmed();
        return;
    }
    propiedades_.insert(id * 1000 + indice, valor);
}
