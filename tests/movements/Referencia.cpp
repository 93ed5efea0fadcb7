#include "tests/movements/Referencia.h"

#include "host/Error.h"
#include "host/Recordset.h"

namespace prueba {

using movimientos::AgregaCondicion;
using movimientos::ArmaFiltro;

namespace {

QString Folio(const qm::Recordset& rs) {
    const QString serie = rs.Valor("Serie").toString();
    const QString prefijo = serie.trimmed().isEmpty() ? QString() : serie + " ";
    return prefijo + rs.Valor("Factura").toString();
}

QVariant Suma(const qm::Recordset& rs) {
    const QVariant a = rs.Valor("SubTotal"), b = rs.Valor("IVA"), c = rs.Valor("ImpuestoAd");
    if (a.isNull() || b.isNull() || c.isNull())
        return QVariant();
    return (a.toDouble() + b.toDouble()) + c.toDouble();
}

// Adds one collected row: the source row's customer, date and time, then the rest.
void Agrega(qm::Recordset& rsTrabajo, const qm::Recordset& rsOrigen, const QString& cliente,
            const QString& movimiento, const QVariant& folio, const QString& columnaImporte,
            const QVariant& importe) {
    rsTrabajo.AddNew();
    rsTrabajo.Asigna("Cliente", rsOrigen.Valor(cliente));
    rsTrabajo.Asigna("Fecha", rsOrigen.Valor("Fecha"));
    rsTrabajo.Asigna("Hora", rsOrigen.Valor("Hora"));
    rsTrabajo.Asigna("Movimiento", movimiento);
    rsTrabajo.Asigna("Folio", folio);
    rsTrabajo.Asigna(columnaImporte, importe);
    rsTrabajo.Update();
}

// A value read into a double variable: NULL is VB's "Invalid use of Null" (94).
double ComoDoble(const QVariant& valor) {
    if (valor.isNull())
        throw qm::Error(94, "Invalid use of Null");
    return valor.toDouble();
}

} // namespace

void GeneraMovimientosReferencia(const movimientos::ObjetosBuilder& o, qm::Conexion& cn,
                                 QString& cSQL, const movimientos::Solicitud& s) {
    const qm::BasesDD& db = o.BasesDD;
    qm::Recordset rsTrabajo, rsOrigen, rsSaldo;
    cn.Execute("Truncate table tmpravesta");
    db.AbrirTabla(rsTrabajo, cn, "tmpravesta");
    for (int pasada = 1; pasada <= 2; ++pasada) {
        ArmaFiltro(cSQL, movimientos::ColumnaDelCliente::Cliente, s, o.libQMCM, o.Utilerias, cn);
        cSQL = (pasada == 1 ? QStringLiteral("remisiones") : QStringLiteral("facturas")) + cSQL;
        db.AbrirTabla(rsOrigen, cn, cSQL);
        for (; !rsOrigen.Eof(); rsOrigen.MoveNext()) {
            const bool cancelada = rsOrigen.Valor("Cancelada").toLongLong() == 1;
            Agrega(rsTrabajo, rsOrigen, "Cliente", pasada == 1 ? "Remisión" : "Factura",
                   Folio(rsOrigen), "Ventas", cancelada ? QVariant(0.0) : Suma(rsOrigen));
        }
    }
    ArmaFiltro(cSQL, movimientos::ColumnaDelCliente::Cliente, s, o.libQMCM, o.Utilerias, cn);
    cSQL = "devolucionctes" + cSQL;
    db.AbrirTabla(rsOrigen, cn, cSQL);
    for (; !rsOrigen.Eof(); rsOrigen.MoveNext())
        Agrega(rsTrabajo, rsOrigen, "Cliente", "Devolución", rsOrigen.Valor("DevolucionCtes"),
               "Devoluciones", Suma(rsOrigen));
    ArmaFiltro(cSQL, movimientos::ColumnaDelCliente::Clave, s, o.libQMCM, o.Utilerias, cn);
    AgregaCondicion(cSQL, "Concepto not like '%DEVOLUCION CTES.'");
    AgregaCondicion(cSQL, "Concepto not like '%ABONO AUTOMATICO A CXC%'");
    AgregaCondicion(cSQL, "Concepto not like '%BONIFICACION POR CANCELACION%'");
    AgregaCondicion(cSQL, "CantidadPago<>0 and NotaCredito=0 and Devolucion=0");
    cSQL = "edoctacli" + cSQL;
    db.AbrirTabla(rsOrigen, cn, cSQL);
    for (; !rsOrigen.Eof(); rsOrigen.MoveNext())
        Agrega(rsTrabajo, rsOrigen, "Clave", "Pago", rsOrigen.Valor("Folio"), "Pagos",
               rsOrigen.Valor("CantidadPago"));

    db.AbrirTabla(rsOrigen, cn, "tmpravesta group by Cliente", "Cliente");
    for (; !rsOrigen.Eof(); rsOrigen.MoveNext()) {
        const QString c = cn.Escapa(rsOrigen.Valor("Cliente").toString());
        // Ties of (Fecha, Hora) are left to the database; reading through the key pins them to the
        // stored order, the order the product gives them.
        db.AbrirTabla(rsTrabajo, cn,
                      "tmpravesta force index (Cliente) where Cliente='" + c +
                          "' order by Fecha,Hora");
        double saldo = 0;
        const QString f = o.libQMCM.FechaSQL(rsTrabajo.Valor("Fecha").toDate());
        if (db.AbrirTabla(rsSaldo, cn,
                          "edoctacli where Clave='" + c + "' and Fecha<'" + f +
                              "' order by Fecha desc,Id desc limit 1",
                          "SaldoActual"))
            saldo = ComoDoble(rsSaldo.Valor("SaldoActual"));
        else if (db.AbrirTabla(rsSaldo, cn,
                               "edoctacli where Clave='" + c + "' and Fecha='" + f +
                                   "' order by Fecha,Id limit 1",
                               "SaldoActual"))
            saldo = ComoDoble(rsSaldo.Valor("SaldoActual"));
        for (; !rsTrabajo.Eof(); rsTrabajo.MoveNext()) {
            const double ventas = rsTrabajo.Valor("Ventas").toDouble();
            const double devoluciones = rsTrabajo.Valor("Devoluciones").toDouble();
            const double nuevo = ventas != 0         ? saldo + ventas
                                 : devoluciones != 0 ? saldo - devoluciones
                                                     : saldo - rsTrabajo.Valor("Pagos").toDouble();
            rsTrabajo.Asigna("SaldoAnterior", saldo);
            rsTrabajo.Asigna("SaldoActual", nuevo);
            saldo = nuevo;
        }
    }
    db.CierraTabla(rsSaldo);
    db.CierraTabla(rsOrigen);
    db.CierraTabla(rsTrabajo);
}

} // namespace prueba
