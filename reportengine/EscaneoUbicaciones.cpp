#include "reportengine/EscaneoUbicaciones.h"

namespace motor {

namespace {

bool EsPD(const QByteArray& bytes, qsizetype p) {
    const char a = bytes[p];
    const char b = bytes[p + 1];
    return (a == 'P' || a == 'p') && (b == 'D' || b == 'd');
}

} // namespace

VentanaLeida LeeVentana(const QByteArray& ventana) {
    VentanaLeida leida;
    const QByteArray minusculas = ventana.toLower();
    const qsizetype dll = minusculas.indexOf(".dll");
    if (dll < 0)
        return leida;
    leida.dao = minusculas.contains("pdbdao");
    // Skip ".dll" and the terminator of the driver name, then the text field after it.
    QByteArray resto = ventana.mid(dll + 5);
    const qsizetype campo = resto.indexOf('\0');
    if (campo >= 0)
        resto = resto.mid(campo + 1);
    const qsizetype fin = resto.indexOf('\0');
    if (fin < 0) {
        leida.estado = VentanaLeida::Estado::SinFin;
        return leida;
    }
    leida.estado = VentanaLeida::Estado::Tabla;
    leida.nombre = resto.left(fin);
    return leida;
}

ResultadoEscaneo EscaneaUbicaciones(const QByteArray& bytes) {
    ResultadoEscaneo r;
    for (qsizetype p = 0; p + 1 < bytes.size(); ++p) {
        if (!EsPD(bytes, p))
            continue;
        const QByteArray ventana = bytes.mid(p, VentanaUbicacion);
        const QByteArray minusculas = ventana.toLower();
        if (!minusculas.contains("pdbdao") && !minusculas.contains("pdsodbc"))
            continue;
        VentanaLeida leida = LeeVentana(ventana);
        if (leida.estado == VentanaLeida::Estado::SinFin) {
            r.falla = true;
            return r;
        }
        if (leida.estado == VentanaLeida::Estado::Tabla)
            r.tablas.push_back(std::move(leida));
    }
    return r;
}

} // namespace motor
