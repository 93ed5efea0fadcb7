#include "movements/TablasTemporales.h"

#include "host/Error.h"
#include "host/Recordset.h"

namespace movimientos {

const QStringList kColumnasTrabajo = {
    QStringLiteral("Cliente"),      QStringLiteral("Fecha"), QStringLiteral("Hora"),
    QStringLiteral("Movimiento"),   QStringLiteral("Folio"), QStringLiteral("Ventas"),
    QStringLiteral("Devoluciones"), QStringLiteral("Pagos"), QStringLiteral("SaldoAnterior"),
    QStringLiteral("SaldoActual"),
};

namespace {

constexpr long ColumnaDesconocida = 1054; // the server's "Unknown column"
constexpr long AccesoBaseNegado = 1044;   // the server's "Access denied ... to database"

// Without CREATE TEMPORARY TABLES the server only says that the database is denied; the
// message names the right, for whoever grants it.
void CreaTemporal(qm::Conexion& cn, const QString& sql) {
    try {
        cn.Execute(sql);
    } catch (const qm::Error& e) {
        if (e.numero() != AccesoBaseNegado)
            throw;
        const QString base = cn.parametros().base;
        throw qm::Error(e.numero(),
                        e.descripcion() + QChar(13) +
                            QStringLiteral("Al usuario \"%1\" le falta el derecho CREATE "
                                           "TEMPORARY TABLES sobre la base de datos %2 (tabla "
                                           "temporal del reporte): GRANT CREATE TEMPORARY TABLES "
                                           "ON `%2`.* TO ...")
                                .arg(cn.parametros().usuario, base));
    }
}

// "`Name` type [COLLATE c] NULL [DEFAULT 'd']": the column as tmpravesta has it, but nullable.
// Only the amounts take tmpravesta's default: a kind leaves the other two amounts unset.
QString Definicion(const qm::Recordset& c, qm::Conexion& cn, bool conDefecto) {
    QString d = "`" + c.Valor("Field").toString() + "` " + c.Valor("Type").toString();
    const QVariant colacion = c.Valor("Collation");
    if (!colacion.isNull())
        d += " COLLATE " + colacion.toString();
    d += " NULL";
    const QVariant defecto = c.Valor("Default");
    if (conDefecto && !defecto.isNull())
        d += " DEFAULT '" + cn.Escapa(defecto.toString()) + "'";
    return d;
}

} // namespace

VariableDeSesion::VariableDeSesion(qm::Conexion& cn, const QString& nombre, const QString& valor,
                                   bool alMenos)
    : cn_(cn), nombre_(nombre) {
    antes_ = cn_.Consulta("SELECT @@SESSION." + nombre_).Valor(0).toString();
    if (alMenos && antes_.toULongLong() >= valor.toULongLong())
        return;
    cn_.Execute("SET SESSION " + nombre_ + "=" + valor);
    cambiada_ = true;
}

VariableDeSesion::~VariableDeSesion() {
    if (!cambiada_)
        return;
    try {
        cn_.Execute("SET SESSION " + nombre_ + "=" + antes_);
    } catch (...) {
        // The session is gone, and its settings with it.
    }
}

TablasTemporales::TablasTemporales(qm::Conexion& cn) : cn_(cn) {
    Borra();
    QStringList definiciones(kColumnasRecolectadas);
    for (qm::Recordset c = cn_.Consulta("SHOW FULL COLUMNS FROM tmpravesta"); !c.Eof();
         c.MoveNext()) {
        const QString nombre = c.Valor("Field").toString();
        for (int i = 0; i < kColumnasRecolectadas; ++i) {
            if (nombre.compare(kColumnasTrabajo[i], Qt::CaseInsensitive) != 0)
                continue;
            definiciones[i] = Definicion(c, cn_, i >= 5);
            if (c.Valor("Null").toString() == QLatin1String("NO") && i != 3)
                noNulas << kColumnasTrabajo[i];
        }
    }
    for (int i = 0; i < kColumnasRecolectadas; ++i)
        if (definiciones[i].isEmpty())
            throw qm::Error(
                ColumnaDesconocida,
                QStringLiteral("Unknown column '%1' in 'tmpravesta'").arg(kColumnasTrabajo[i]));
    const QString columnas = "qm_orden BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, " +
                             definiciones.join(QStringLiteral(", "));
    // MyISAM keeps the rows a failing statement added before its failure, writes fastest, and
    // a scan of a table that is only added to gives its rows in order of addition; a server
    // without it uses its default engine.
    const QString crea = "CREATE TEMPORARY TABLE " + movimientos + " (" + columnas + ")";
    try {
        cn_.Execute(crea + " ENGINE=MyISAM");
        enOrden = true;
    } catch (const qm::Error& e) {
        if (SesionPerdida(e))
            throw;
        CreaTemporal(cn_, crea);
    }
}

void TablasTemporales::CreaSaldos(std::size_t filas) {
    // A MEMORY table finds each row's balances by a hash of its order, many times faster than
    // a MyISAM key when joined; the session's cap on its size is raised to fit (for a moment,
    // some 100 bytes a row), else it would fail as full.
    // Rounded up to 64 MB steps, so that few distinct settings are kept for a re-open.
    constexpr unsigned long long paso = 64ULL * 1024 * 1024;
    const auto tope = (static_cast<unsigned long long>(filas) * 100 / paso + 1) * paso;
    tamanoMemoria_.emplace(cn_, QStringLiteral("max_heap_table_size"), QString::number(tope), true);
    const QString crea = "CREATE TEMPORARY TABLE " + saldos +
                         " (qm_orden BIGINT NOT NULL PRIMARY KEY, SaldoAnterior DOUBLE NOT NULL, "
                         "SaldoActual DOUBLE NOT NULL)";
    try {
        cn_.Execute(crea + " ENGINE=MEMORY");
    } catch (const qm::Error& e) {
        if (SesionPerdida(e))
            throw;
        CreaTemporal(cn_, crea);
    }
}

TablasTemporales::~TablasTemporales() {
    try {
        Borra();
    } catch (...) {
        // A lost session took them with it.
    }
}

void TablasTemporales::Borra() {
    cn_.Execute("DROP TEMPORARY TABLE IF EXISTS " + movimientos + ", " + saldos);
}

} // namespace movimientos
