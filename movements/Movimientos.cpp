#include "movements/Movimientos.h"

#include "movements/Recoleccion.h"
#include "movements/Saldos.h"
#include "movements/Tablas.h"
#include "movements/TablasTemporales.h"

namespace movimientos {

namespace {

const QStringList kExclusionesPago = {
    QStringLiteral("Concepto not like '%DEVOLUCION CTES.'"),
    QStringLiteral("Concepto not like '%ABONO AUTOMATICO A CXC%'"),
    QStringLiteral("Concepto not like '%BONIFICACION POR CANCELACION%'"),
    QStringLiteral("CantidadPago<>0 and NotaCredito=0 and Devolucion=0"),
};

} // namespace

QStringList CopiasDeFuentes(const Fuentes& fuentes, const QString& tabla) {
    return InsercionesDeFuentes(fuentes, tabla);
}

Fuentes ArmaFuentes(const Solicitud& solicitud, const ObjetosBuilder& o, qm::Conexion& cn) {
    Fuentes f;
    QString cSQL;
    ArmaFiltro(cSQL, ColumnaDelCliente::Cliente, solicitud, o.libQMCM, o.Utilerias, cn);
    f.remisiones = TablaRemisiones() + cSQL;
    f.facturas = TablaFacturas() + cSQL;
    f.devoluciones = TablaDevoluciones() + cSQL;
    ArmaFiltro(cSQL, ColumnaDelCliente::Clave, solicitud, o.libQMCM, o.Utilerias, cn);
    for (const QString& condicion : kExclusionesPago)
        AgregaCondicion(cSQL, condicion);
    f.pagos = TablaEstadoDeCuenta() + cSQL;
    return f;
}

void GeneraMovimientos(const ObjetosBuilder& objetos, qm::Conexion& cn, QString& cSQL,
                       const Solicitud& solicitud) {
    cn.Execute("Truncate table " + TablaTrabajo());
    const Fuentes fuentes = ArmaFuentes(solicitud, objetos, cn);
    TablasTemporales tablas(cn);
    Recolecta(cn, tablas, fuentes, cSQL);
    CalculaSaldos(cn, tablas, fuentes, objetos.libQMCM);
}

} // namespace movimientos
