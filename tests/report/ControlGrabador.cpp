#include "ControlGrabador.h"

#include "reportengine/ErroresMotor.h"

#include <QFileInfo>
#include <ostream>
#include <stdexcept>

namespace prueba {

bool operator==(const PropiedadDada& a, const PropiedadDada& b) {
    return a.id == b.id && a.indice == b.indice && a.valor.metaType() == b.valor.metaType() &&
           a.valor == b.valor;
}

void PrintTo(const PropiedadDada& p, std::ostream* os) {
    *os << "(" << p.id << ", " << p.indice << ", " << p.valor.metaType().name() << " \""
        << p.valor.toString().toStdString() << "\")";
}

void ControlGrabador::FallaEn(int id, int indice, long numero) {
    fallas_[{id, indice}] = numero;
}

void ControlGrabador::FallaRaroEn(int id, int indice) {
    raras_[{id, indice}] = true;
}

void ControlGrabador::Propiedad(int id, const QVariant& valor) {
    Recibe(id, -1, valor);
}

void ControlGrabador::PropiedadIndexada(int id, int indice, const QVariant& valor) {
    Recibe(id, indice, valor);
}

void ControlGrabador::Recibe(int id, int indice, const QVariant& valor) {
    propiedades.push_back({id, indice, valor});
    if (const auto f = fallas_.find({id, indice}); f != fallas_.end())
        throw motor::ErrorMotor(f->second, QStringLiteral("rechazada %1/%2").arg(id).arg(indice));
    if (raras_.count({id, indice}))
        throw std::runtime_error("rara");
    if (compruebaArchivo && id == motor::propiedad::ArchivoReporte) {
        const QString ruta = valor.toString();
        sinPlantilla_ = !ruta.isEmpty() && !QFileInfo(ruta).isFile();
        if (sinPlantilla_)
            throw motor::ErrorMotor(20504, QStringLiteral("Cannot open report ") + ruta);
    }
    if (compruebaArchivo && id == motor::propiedad::Accion && sinPlantilla_)
        throw motor::ErrorMotor(20545, QStringLiteral("No report is open"));
}

} // namespace prueba
