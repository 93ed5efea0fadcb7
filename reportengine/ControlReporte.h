#pragma once

#include "reportengine/Solicitud.h"

#include <QVariant>

namespace motor {

// The report control as the report runner drives it: properties set by their numeric ids.
// A property the control refuses fails with ErrorMotor carrying the control's own number.
class ControlReporte {
public:
    virtual ~ControlReporte() = default;
    virtual void Propiedad(int id, const QVariant& valor) = 0;
    virtual void PropiedadIndexada(int id, int indice, const QVariant& valor) = 0;
    // What the user asked for, for the report to show; kept until the next request. A
    // control that shows no request may ignore it.
    virtual void PonSolicitud(const Solicitud& solicitud) { (void)solicitud; }
};

// The ids whose meaning is fixed; every other id is accepted and kept.
namespace propiedad {
inline constexpr int ArchivoReporte = 3; // template path
inline constexpr int Conexion = 20;      // connection text
inline constexpr int Accion = 17;        // 1 runs the report
inline constexpr int Destino = 24;       // 0 preview window, 1 printer, 2 PDF file
inline constexpr int Ubicacion = 32;     // table location, by table number from 0
inline constexpr int ArchivoPdf = 50;    // the PDF file that destination 2 writes
inline constexpr int Impresora = 51;     // destination 1: this printer, without the dialog
} // namespace propiedad

// Where a run sends the report: the values of property 24.
enum class Destino : int { Pantalla = 0, Impresora = 1, Pdf = 2 };

} // namespace motor
