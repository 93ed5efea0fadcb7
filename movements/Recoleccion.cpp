#include "movements/Recoleccion.h"

#include "host/ErrorMysql.h"
#include "host/ModoSesion.h"
#include "host/Recordset.h"

#include <optional>

namespace movimientos {

namespace {

// The server's "Column '%s' cannot be null", which a single-row insert of a NULL into a NOT
// NULL column gives in every sql_mode.
constexpr long ColumnaNula = 1048;

// One source: its table expression, what each collected row takes from it.
struct Fuente {
    QString expresion;
    QString movimiento;     // the kind of the rows
    QString cliente;        // the customer column
    QString documento;      // the folio expression
    QString columnaImporte; // the working table's column that the amount goes to
    QString importe;        // the amount expression, NULL when a source value is NULL

    QString Tabla() const { return expresion.section(QLatin1Char(' '), 0, 0); }
    QString Inserta(const QString& tabla) const {
        return "INSERT INTO " + tabla + " (Cliente,Fecha,Hora,Movimiento,Folio," + columnaImporte +
               ") SELECT " + cliente + ",Fecha,Hora,'" + movimiento + "'," + documento + "," +
               importe + " FROM " + expresion;
    }
};

std::vector<Fuente> FuentesDe(const Fuentes& f) {
    // A NULL series or number reads as empty text, as text joined to a NULL does.
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

// The first collected row, in order of addition, with a NULL where tmpravesta takes none.
struct Nulo {
    long long orden = 0;
    qm::Error error;
};

std::optional<Nulo> PrimerNulo(qm::Conexion& cn, const TablasTemporales& t,
                               const std::vector<Fuente>& fuentes) {
    if (t.noNulas.isEmpty())
        return std::nullopt;
    QStringList esNula;
    for (const QString& c : t.noNulas)
        esNula << c + " IS NULL";
    // One pass over the rows: walking the key in order would visit them one by one.
    qm::Recordset rs =
        cn.Consulta("SELECT qm_orden, Movimiento, Cliente, Folio, " + esNula.join(",") + " FROM " +
                    t.movimientos + " IGNORE INDEX (PRIMARY) WHERE " + esNula.join(" OR ") +
                    " ORDER BY qm_orden LIMIT 1");
    if (rs.Eof())
        return std::nullopt;
    // Each flag is read by its own expression, the name the server gives its column.
    QString columna;
    for (int i = 0; i < t.noNulas.size() && columna.isEmpty(); ++i)
        if (rs.Valor(esNula[i]).toLongLong() != 0)
            columna = t.noNulas[i];
    QString tabla;
    for (const Fuente& f : fuentes)
        if (f.movimiento == rs.Valor(QStringLiteral("Movimiento")).toString())
            tabla = f.Tabla();
    const auto texto = [&rs](const QString& campo) {
        const QVariant v = rs.Valor(campo);
        return v.isNull() ? QStringLiteral("(nulo)") : v.toString();
    };
    return Nulo{rs.Valor(QStringLiteral("qm_orden")).toLongLong(),
                qm::Error(ColumnaNula,
                          QStringLiteral("%1: el documento %2 del cliente %3 deja nula la columna "
                                         "%4 (Column '%4' cannot be null)")
                              .arg(tabla, texto(QStringLiteral("Folio")),
                                   texto(QStringLiteral("Cliente")), columna))};
}

// The rows collected before the given order of addition go into tmpravesta, without balances.
void Conserva(qm::Conexion& cn, const TablasTemporales& t,
              std::optional<long long> hasta) noexcept {
    const QString columnas = Nombres(ColumnasRecolectadas()).join(",");
    try {
        cn.Execute("INSERT INTO tmpravesta (" + columnas + ") SELECT " + columnas + " FROM " +
                   t.movimientos +
                   (hasta ? " WHERE qm_orden < " + QString::number(*hasta) : QString()) +
                   " ORDER BY qm_orden");
    } catch (...) {
        // The first failure is the one to report.
    }
}

} // namespace

QStringList InsercionesDeFuentes(const Fuentes& fuentes, const QString& tabla) {
    QStringList sentencias;
    for (const Fuente& f : FuentesDe(fuentes))
        sentencias << f.Inserta(tabla);
    return sentencias;
}

void Recolecta(qm::Conexion& cn, const TablasTemporales& t, const Fuentes& fuentes, QString& cSQL) {
    const std::vector<Fuente> lista = FuentesDe(fuentes);
    std::optional<qm::Error> fallo;
    {
        qm::ModoSesion modo(cn);
        modo.Pon(qm::PorFilas(modo.original()));
        try {
            for (const Fuente& f : lista) {
                cSQL = f.expresion;
                cn.Execute(f.Inserta(t.movimientos));
            }
        } catch (const qm::Error& e) {
            if (qm::SesionPerdida(e))
                throw;
            fallo = e;
        }
    }
    // A NULL before the refused row, or anywhere when none was refused, fails first.
    if (std::optional<Nulo> nulo = PrimerNulo(cn, t, lista)) {
        Conserva(cn, t, nulo->orden);
        throw nulo->error;
    }
    if (fallo) {
        Conserva(cn, t, std::nullopt);
        throw *fallo;
    }
}

} // namespace movimientos
