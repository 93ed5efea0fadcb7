#include "movements/Recoleccion.h"

#include "host/ErrorMysql.h"
#include "host/ModoSesion.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"

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
    // With `orden`, each row also takes the next value of that session variable into qm_orden.
    QString Inserta(const QString& tabla, const QString& orden = QString()) const {
        const QString numero = orden.isEmpty() ? QString() : QStringLiteral("qm_orden,");
        const QString siguiente = orden.isEmpty() ? QString() : orden + ":=" + orden + "+1,";
        return "INSERT INTO " + tabla + " (" + numero + "Cliente,Fecha,Hora,Movimiento,Folio," +
               columnaImporte + ") SELECT " + siguiente + cliente + ",Fecha,Hora,'" + movimiento +
               "'," + documento + "," + importe + " FROM " + expresion;
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

// The first collected row that `donde` picks and holds such a NULL, with the failure that a
// single-row insert of it gives.
std::optional<Nulo> PrimerNulo(qm::Conexion& cn, const TablasTemporales& t,
                               const std::vector<Fuente>& fuentes, const QString& donde) {
    const QString condicion = CondicionDeNulo(t);
    if (condicion.isEmpty())
        return std::nullopt;
    QStringList esNula;
    for (const QString& c : t.noNulas)
        esNula << c + " IS NULL";
    qm::Recordset rs = cn.Consulta("SELECT qm_orden, Movimiento, Cliente, Folio, " +
                                   esNula.join(",") + " FROM " + t.movimientos + " " + donde +
                                   " AND (" + condicion + ") ORDER BY qm_orden LIMIT 1");
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
        cn.Execute("INSERT INTO " + TablaTrabajo() + " (" + columnas + ") SELECT " + columnas +
                   " FROM " + t.movimientos +
                   (hasta ? " WHERE qm_orden < " + QString::number(*hasta) : QString()) +
                   " ORDER BY qm_orden");
    } catch (...) {
        // The first failure is the one to report.
    }
}

} // namespace

QString CondicionDeNulo(const TablasTemporales& t) {
    QStringList esNula;
    for (const QString& c : t.noNulas)
        esNula << c + " IS NULL";
    return esNula.join(" OR ");
}

void FallaPorNulo(qm::Conexion& cn, const TablasTemporales& t, const Fuentes& fuentes,
                  long long orden) {
    std::optional<Nulo> nulo =
        PrimerNulo(cn, t, FuentesDe(fuentes), "WHERE qm_orden = " + QString::number(orden));
    if (!nulo)
        throw qm::Error(qm::errores::ArgumentoInvalido,
                        QStringLiteral("La fila %1 no tiene la columna nula").arg(orden));
    Conserva(cn, t, nulo->orden);
    throw nulo->error;
}

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
        // A session variable numbers the rows as they are added: an AUTO_INCREMENT column
        // would need a key, which costs the collection half its time again.
        const QString orden = QStringLiteral("@qm_orden");
        cn.Execute("SET " + orden + "=0");
        try {
            for (const Fuente& f : lista) {
                cSQL = f.expresion;
                cn.Execute(f.Inserta(t.movimientos, orden));
            }
        } catch (const qm::Error& e) {
            if (qm::SesionPerdida(e))
                throw;
            fallo = e;
        }
        cn.Execute("SET " + orden + "=NULL");
    }
    if (!fallo)
        return;
    // A NULL before the refused row fails first. With no row refused, the walk's read finds
    // the first NULL (FallaPorNulo), sparing a pass over the rows.
    if (std::optional<Nulo> nulo = PrimerNulo(cn, t, lista, QStringLiteral("WHERE 1"))) {
        Conserva(cn, t, nulo->orden);
        throw nulo->error;
    }
    Conserva(cn, t, std::nullopt);
    throw *fallo;
}

} // namespace movimientos
