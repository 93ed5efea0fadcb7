#pragma once

#include "reportengine/ControlReporte.h"

#include <QString>
#include <QVariant>
#include <map>
#include <utility>
#include <vector>

namespace prueba {

// One property as the engine was given it; indice is -1 for a plain property.
struct PropiedadDada {
    int id = 0;
    int indice = -1;
    QVariant valor;
};
bool operator==(const PropiedadDada& a, const PropiedadDada& b);
void PrintTo(const PropiedadDada& p, std::ostream* os);

// A report engine that keeps every property it is given, in order, failed ones included, and
// fails on the (id, index) it is told to.
class ControlGrabador final : public motor::ControlReporte {
public:
    std::vector<PropiedadDada> propiedades;
    // Like the real engine, refuse a template path that is not a file (property 3) and then
    // refuse to run without a template.
    bool compruebaArchivo = false;

    void FallaEn(int id, int indice = -1, long numero = 20999);
    // Fails on that property with something other than qm::Error.
    void FallaRaroEn(int id, int indice = -1);

    void Propiedad(int id, const QVariant& valor) override;
    void PropiedadIndexada(int id, int indice, const QVariant& valor) override;

private:
    void Recibe(int id, int indice, const QVariant& valor);
    std::map<std::pair<int, int>, long> fallas_;
    std::map<std::pair<int, int>, bool> raras_;
    bool sinPlantilla_ = false;
};

} // namespace prueba
