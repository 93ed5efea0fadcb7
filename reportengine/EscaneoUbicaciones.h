#pragma once

#include <QByteArray>
#include <vector>

namespace motor {

// Bytes from a "PD" pair that one table-location record must fit in.
inline constexpr qsizetype VentanaUbicacion = 60;

// One window read as a location record: the second NUL-terminated text after the driver's
// ".dll" and the one character after it. dao is true when the window names pdbdao anywhere.
struct VentanaLeida {
    enum class Estado { SinDll, Tabla, SinFin }; // SinFin: the table name has no NUL
    Estado estado = Estado::SinDll;
    bool dao = false;
    QByteArray nombre;
};
VentanaLeida LeeVentana(const QByteArray& ventana);

// The one scan of a template's bytes, as the runner finds its tables: a window of
// VentanaUbicacion bytes from every "PD" pair (any case) that names pdsodbc or pdbdao gives
// one table, so overlapping windows can give the same table twice; a window without ".dll" gives
// none. falla is true at the first window whose name has no end, and the scan stops there.
struct ResultadoEscaneo {
    std::vector<VentanaLeida> tablas;
    bool falla = false;
};
ResultadoEscaneo EscaneaUbicaciones(const QByteArray& bytes);

} // namespace motor
