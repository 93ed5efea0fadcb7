#include "movements/Movimientos.h"

#include "host/Error.h"
#include "host/Recordset.h"

#include <QStringList>

namespace movimientos {

namespace {

// VB's "Invalid use of Null": an amount or a balance that is not there.
constexpr long UsoInvalidoDeNull = 94;

const QStringList kExclusionesPago = {
    QStringLiteral("Concepto not like '%DEVOLUCION CTES.'"),
    QStringLiteral("Concepto not like '%ABONO AUTOMATICO A CXC%'"),
    QStringLiteral("Concepto not like '%BONIFICACION POR CANCELACION%'"),
    QStringLiteral("CantidadPago<>0 and NotaCredito=0 and Devolucion=0"),
};

// One source: its table expression, what each collected row takes from it, and how to name a
// document in an error.
struct Fuente {
    QString expresion;
    QString movimiento;     // the kind of the rows
    QString cliente;        // the customer column
    QString documento;      // the folio expression, also the document's name in messages
    QString columnaImporte; // the working table's column that the amount goes to
    QString importe;        // the amount expression, null when a source value is null

    QString Inserta(const QString& tabla) const {
        return "INSERT INTO " + tabla + " (Cliente,Fecha,Hora,Movimiento,Folio," + columnaImporte +
               ") SELECT " + cliente + ",Fecha,Hora,'" + movimiento + "'," + documento + "," +
               importe + " FROM " + expresion;
    }
};

std::vector<Fuente> FuentesDe(const Fuentes& f) {
    const QString folioVenta =
        QStringLiteral("CONCAT(IF(TRIM(Serie)<>'',CONCAT(Serie,' '),''),IFNULL(Factura,''))");
    const QString importeVenta = QStringLiteral("IF(Cancelada=1,0,(SubTotal+IVA)+ImpuestoAd)");
    const QString importeDevolucion = QStringLiteral("(SubTotal+IVA)+ImpuestoAd");
    return {
        {f.remisiones, QStringLiteral("Remisión"), QStringLiteral("Cliente"), folioVenta,
         QStringLiteral("Ventas"), importeVenta},
        {f.facturas, QStringLiteral("Factura"), QStringLiteral("Cliente"), folioVenta,
         QStringLiteral("Ventas"), importeVenta},
        {f.devoluciones, QStringLiteral("Devolución"), QStringLiteral("Cliente"),
         QStringLiteral("DevolucionCtes"), QStringLiteral("Devoluciones"), importeDevolucion},
        {f.pagos, QStringLiteral("Pago"), QStringLiteral("Clave"), QStringLiteral("Folio"),
         QStringLiteral("Pagos"), QStringLiteral("CantidadPago")},
    };
}

// The table expression with one more condition.
QString ConCondicion(QString expresion, const QString& condicion) {
    const int espacio = expresion.indexOf(' ');
    QString tabla = espacio < 0 ? expresion : expresion.left(espacio);
    QString filtro = espacio < 0 ? QString() : expresion.mid(espacio);
    AgregaCondicion(filtro, condicion);
    return tabla + filtro;
}

bool EsEstricto(const QString& modo) {
    return modo.contains(QStringLiteral("STRICT_TRANS_TABLES")) ||
           modo.contains(QStringLiteral("STRICT_ALL_TABLES"));
}

// While it lives, a strict session stops a multi-row statement at its first refused row,
// keeping the rows before it, as row-by-row inserts would; a lenient session stays lenient.
class ModoPorFilas {
public:
    explicit ModoPorFilas(qm::Conexion& cn) : cn_(cn) {
        modo_ = cn_.Consulta(QStringLiteral("SELECT @@SESSION.sql_mode")).Valor(0).toString();
        cambiado_ = EsEstricto(modo_) && !modo_.contains(QStringLiteral("STRICT_ALL_TABLES"));
        if (cambiado_)
            cn_.Execute(QStringLiteral("SET SESSION sql_mode='%1'")
                            .arg(modo_.isEmpty() ? QStringLiteral("STRICT_ALL_TABLES")
                                                 : modo_ + ",STRICT_ALL_TABLES"));
    }
    ~ModoPorFilas() {
        if (!cambiado_)
            return;
        try {
            cn_.Execute(QStringLiteral("SET SESSION sql_mode='%1'").arg(modo_));
        } catch (...) {
            // The session is gone; a new one starts with the server's mode anyway.
        }
    }
    ModoPorFilas(const ModoPorFilas&) = delete;
    ModoPorFilas& operator=(const ModoPorFilas&) = delete;

private:
    qm::Conexion& cn_;
    QString modo_;
    bool cambiado_ = false;
};

// Scratch tables of this session, dropped when done. They are plain tables named after the
// session, not TEMPORARY ones: the server writes temporary MyISAM tables several times slower.
class TablasDeTrabajo {
public:
    explicit TablasDeTrabajo(qm::Conexion& cn) : cn_(cn) {
        const QString sesion = cn_.Consulta("SELECT CONNECTION_ID()").Valor(0).toString();
        trabajo = "qm_movimientos_" + sesion;
        saldos = "qm_saldos_" + sesion;
        Borra();
        // Same columns and defaults as the working copy, without its keys, plus the order of
        // addition.
        cn_.Execute("CREATE TABLE " + trabajo + " LIKE tmpravesta");
        qm::Recordset indices = cn_.Consulta("SHOW INDEX FROM " + trabajo);
        QStringList nombres;
        for (; !indices.Eof(); indices.MoveNext()) {
            const QString nombre = indices.Valor(QStringLiteral("Key_name")).toString();
            if (!nombres.contains(nombre))
                nombres << nombre;
        }
        for (const QString& nombre : nombres)
            cn_.Execute("ALTER TABLE " + trabajo + " DROP INDEX `" +
                        QString(nombre).replace("`", "``") + "`");
        cn_.Execute("ALTER TABLE " + trabajo +
                    " ADD COLUMN qm_orden BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY");
    }
    ~TablasDeTrabajo() {
        try {
            Borra();
        } catch (...) {
        }
    }
    TablasDeTrabajo(const TablasDeTrabajo&) = delete;
    TablasDeTrabajo& operator=(const TablasDeTrabajo&) = delete;

    QString trabajo; // the collected rows, with their order of addition
    QString saldos;  // each customer's opening balance

private:
    void Borra() { cn_.Execute("DROP TABLE IF EXISTS " + trabajo + ", " + saldos); }
    qm::Conexion& cn_;
};

const QString kColumnas = QStringLiteral(
    "Cliente,Fecha,Hora,Movimiento,Folio,Ventas,Devoluciones,Pagos,SaldoAnterior,SaldoActual");

// Fails naming the first row of the source whose amount is null; the rows before it are
// collected first, as a row-by-row build would have added them.
void RevisaNulos(qm::Conexion& cn, const TablasDeTrabajo& t, const Fuente& f) {
    const QString tabla = f.expresion.section(' ', 0, 0);
    qm::Recordset nulo =
        cn.Consulta("SELECT " + f.cliente + ", " + f.documento + " FROM " +
                    ConCondicion(f.expresion, f.importe + " IS NULL") + " LIMIT 1");
    if (nulo.Eof())
        return;
    const QString cliente = nulo.Valor(0).toString();
    const QString documento = nulo.Valor(1).toString();
    qm::Recordset todas = cn.Consulta("SELECT " + f.importe + " IS NULL FROM " + f.expresion);
    long long antes = 0;
    for (; !todas.Eof() && todas.Valor(0).toLongLong() == 0; todas.MoveNext())
        ++antes;
    if (antes > 0)
        cn.Execute(f.Inserta(t.trabajo) + " LIMIT " + QString::number(antes));
    throw qm::Error(UsoInvalidoDeNull,
                    QStringLiteral("%1: el documento %2 del cliente %3 no tiene importe")
                        .arg(tabla, documento, cliente));
}

void Recolecta(qm::Conexion& cn, const TablasDeTrabajo& t, const Fuentes& fuentes, QString& cSQL) {
    for (const Fuente& f : FuentesDe(fuentes)) {
        cSQL = f.expresion;
        RevisaNulos(cn, t, f);
        cn.Execute(f.Inserta(t.trabajo));
    }
}

// Opening balance of each customer: the statement balance of the last statement row before
// the customer's earliest movement, else of the first one on that date, else 0. Customers
// come in the order of "group by Cliente"; a null balance stops the balances at that customer.
void CalculaSaldosIniciales(qm::Conexion& cn, const TablasDeTrabajo& t) {
    cn.Execute("CREATE TABLE " + t.saldos +
               " (KEY (Cliente)) ENGINE=MyISAM SELECT g.Cliente, "
               "EXISTS(SELECT 1 FROM edoctacli e WHERE e.Clave=g.Cliente AND e.Fecha<g.F) AS h1, "
               "(SELECT CAST(e.SaldoActual AS DOUBLE) FROM edoctacli e WHERE e.Clave=g.Cliente AND "
               "e.Fecha<g.F ORDER BY e.Fecha DESC, e.Id DESC LIMIT 1) AS s1, "
               "EXISTS(SELECT 1 FROM edoctacli e WHERE e.Clave=g.Cliente AND e.Fecha=g.F) AS h2, "
               "(SELECT CAST(e.SaldoActual AS DOUBLE) FROM edoctacli e WHERE e.Clave=g.Cliente AND "
               "e.Fecha=g.F ORDER BY e.Fecha, e.Id LIMIT 1) AS s2, "
               "CAST(0 AS DOUBLE) AS saldo, 1 AS activo "
               "FROM (SELECT Cliente, MIN(Fecha) AS F FROM " +
               t.trabajo + " GROUP BY Cliente) g");
    cn.Execute("UPDATE " + t.saldos + " SET saldo = IF(h1, s1, IF(h2, s2, 0))");
}

// The first customer, in "group by" order, whose opening balance is null; "" when none.
QString ClienteSinSaldo(qm::Conexion& cn, const TablasDeTrabajo& t) {
    qm::Recordset rs = cn.Consulta("SELECT Cliente FROM " + t.saldos +
                                   " WHERE saldo IS NULL ORDER BY Cliente LIMIT 1");
    return rs.Eof() ? QString() : rs.Valor(0).toString();
}

// Copies the collected rows into tmpravesta in order of addition, with their balances:
// running sums per customer that start from the opening balance (the first term of the sum,
// so every step is one addition, as walking the rows would do) in (Fecha, Hora, order of
// addition) order. Customers not marked active keep balances 0.
void EscribeConSaldos(qm::Conexion& cn, const TablasDeTrabajo& t) {
    const QString paso =
        QStringLiteral("IF(Ventas<>0, Ventas, IF(Devoluciones<>0, -Devoluciones, -Pagos))");
    cn.Execute(
        "INSERT INTO tmpravesta (" + kColumnas +
        ") SELECT Cliente,Fecha,Hora,Movimiento,Folio,Ventas,Devoluciones,Pagos, "
        "IF(activo, anterior, 0), IF(activo, actual, 0) FROM ("
        " SELECT c.*, LAG(actual) OVER (PARTITION BY Cliente ORDER BY tipo, Fecha, Hora, "
        "qm_orden) AS anterior FROM ("
        "  SELECT u.*, SUM(paso) OVER (PARTITION BY Cliente ORDER BY tipo, Fecha, Hora, "
        "qm_orden ROWS UNBOUNDED PRECEDING) AS actual FROM ("
        "   SELECT s.Cliente, NULL AS Fecha, NULL AS Hora, NULL AS Movimiento, NULL AS Folio,"
        "    0 AS Ventas, 0 AS Devoluciones, 0 AS Pagos, 0 AS qm_orden, 0 AS tipo,"
        "    s.saldo AS paso, s.activo FROM " +
        t.saldos +
        " s"
        "   UNION ALL"
        "   SELECT m.Cliente, m.Fecha, m.Hora, m.Movimiento, m.Folio, m.Ventas, "
        "m.Devoluciones, m.Pagos, m.qm_orden, 1, " +
        paso + ", s.activo FROM " + t.trabajo + " m JOIN " + t.saldos +
        " s ON s.Cliente = m.Cliente"
        "  ) u"
        " ) c"
        ") r WHERE tipo = 1 ORDER BY qm_orden");
}

// After a failed collection the rows gathered so far are kept, as adding them one by one
// would have left them.
void ConservaRecolectadas(qm::Conexion& cn, const TablasDeTrabajo& t) noexcept {
    try {
        cn.Execute("INSERT INTO tmpravesta (" + kColumnas + ") SELECT " + kColumnas + " FROM " +
                   t.trabajo + " ORDER BY qm_orden");
    } catch (...) {
        // The first failure is the one to report.
    }
}

} // namespace

QStringList CopiasDeFuentes(const Fuentes& fuentes, const QString& tabla) {
    QStringList sentencias;
    for (const Fuente& f : FuentesDe(fuentes))
        sentencias << f.Inserta(tabla);
    return sentencias;
}

Fuentes ArmaFuentes(const Solicitud& solicitud, const ObjetosBuilder& o, qm::Conexion& cn) {
    Fuentes f;
    QString cSQL;
    ArmaFiltro(cSQL, false, solicitud, o.libQMCM, o.Utilerias, cn);
    f.remisiones = QStringLiteral("remisiones") + cSQL;
    f.facturas = QStringLiteral("facturas") + cSQL;
    f.devoluciones = QStringLiteral("devolucionctes") + cSQL;
    ArmaFiltro(cSQL, true, solicitud, o.libQMCM, o.Utilerias, cn);
    for (const QString& condicion : kExclusionesPago)
        AgregaCondicion(cSQL, condicion);
    f.pagos = QStringLiteral("edoctacli") + cSQL;
    return f;
}

void GeneraMovimientos(const ObjetosBuilder& objetos, qm::Conexion& cn, QString& cSQL,
                       const Solicitud& solicitud) {
    cn.Execute(QStringLiteral("Truncate table tmpravesta"));
    const Fuentes fuentes = ArmaFuentes(solicitud, objetos, cn);
    TablasDeTrabajo tablas(cn);
    {
        ModoPorFilas porFilas(cn);
        try {
            Recolecta(cn, tablas, fuentes, cSQL);
        } catch (...) {
            ConservaRecolectadas(cn, tablas);
            throw;
        }
    }
    CalculaSaldosIniciales(cn, tablas);
    const QString sinSaldo = ClienteSinSaldo(cn, tablas);
    if (!sinSaldo.isEmpty()) {
        // Customers before it got their balances; it and those after keep 0.
        cn.Execute("UPDATE " + tablas.saldos + " SET activo = (Cliente < '" + cn.Escapa(sinSaldo) +
                   "')");
        cn.Execute("UPDATE " + tablas.saldos + " SET saldo = 0 WHERE saldo IS NULL");
    }
    EscribeConSaldos(cn, tablas);
    if (!sinSaldo.isEmpty())
        throw qm::Error(UsoInvalidoDeNull,
                        QStringLiteral("edoctacli: el saldo del estado de cuenta del cliente %1 "
                                       "es nulo")
                            .arg(sinSaldo));
}

} // namespace movimientos
