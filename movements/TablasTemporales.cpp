#include "movements/TablasTemporales.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"

#include <algorithm>
#include <iterator>

namespace movimientos {

// The kind is a literal of each source, never NULL.
const std::vector<ColumnaTrabajo> kColumnasTrabajo = {
    {QStringLiteral("Cliente"), Origen::Recolectada, Defecto::Ninguno, Nulos::Revisados},
    {QStringLiteral("Fecha"), Origen::Recolectada, Defecto::Ninguno, Nulos::Revisados},
    {QStringLiteral("Hora"), Origen::Recolectada, Defecto::Ninguno, Nulos::Revisados},
    {QStringLiteral("Movimiento"), Origen::Recolectada, Defecto::Ninguno, Nulos::Permitidos},
    {QStringLiteral("Folio"), Origen::Recolectada, Defecto::Ninguno, Nulos::Revisados},
    {QStringLiteral("Ventas"), Origen::Recolectada, Defecto::DeLaTabla, Nulos::Revisados},
    {QStringLiteral("Devoluciones"), Origen::Recolectada, Defecto::DeLaTabla, Nulos::Revisados},
    {QStringLiteral("Pagos"), Origen::Recolectada, Defecto::DeLaTabla, Nulos::Revisados},
    {QStringLiteral("SaldoAnterior"), Origen::Saldo, Defecto::Ninguno, Nulos::Permitidos},
    {QStringLiteral("SaldoActual"), Origen::Saldo, Defecto::Ninguno, Nulos::Permitidos},
};

std::vector<ColumnaTrabajo> ColumnasRecolectadas() {
    std::vector<ColumnaTrabajo> recolectadas;
    std::ranges::copy_if(kColumnasTrabajo, std::back_inserter(recolectadas),
                         [](const ColumnaTrabajo& c) { return c.origen == Origen::Recolectada; });
    return recolectadas;
}

QStringList Nombres(const std::vector<ColumnaTrabajo>& columnas) {
    QStringList nombres;
    for (const ColumnaTrabajo& c : columnas)
        nombres << c.nombre;
    return nombres;
}

namespace {

using qm::mysql::AccesoBaseNegado;
using qm::mysql::ColumnaDesconocida;

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
QString Definicion(const qm::Recordset& c, qm::Conexion& cn, Defecto defecto) {
    QString d = "`" + c.Valor("Field").toString() + "` " + c.Valor("Type").toString();
    const QVariant colacion = c.Valor("Collation");
    if (!colacion.isNull())
        d += " COLLATE " + colacion.toString();
    d += " NULL";
    const QVariant valor = c.Valor("Default");
    if (defecto == Defecto::DeLaTabla && !valor.isNull())
        d += " DEFAULT '" + cn.Escapa(valor.toString()) + "'";
    return d;
}

} // namespace

TablasTemporales::TablasTemporales(qm::Conexion& cn) : cn_(cn) {
    Borra();
    const std::vector<ColumnaTrabajo> recolectadas = ColumnasRecolectadas();
    QStringList definiciones(static_cast<qsizetype>(recolectadas.size()));
    for (qm::Recordset c = cn_.Consulta("SHOW FULL COLUMNS FROM " + TablaTrabajo()); !c.Eof();
         c.MoveNext()) {
        const QString nombre = c.Valor("Field").toString();
        for (std::size_t i = 0; i < recolectadas.size(); ++i) {
            const ColumnaTrabajo& columna = recolectadas[i];
            if (nombre.compare(columna.nombre, Qt::CaseInsensitive) != 0)
                continue;
            definiciones[static_cast<qsizetype>(i)] = Definicion(c, cn_, columna.defecto);
            if (columna.nombre == QLatin1String("Cliente"))
                definicionCliente_ = definiciones[static_cast<qsizetype>(i)];
            if (c.Valor("Null").toString() == QLatin1String("NO") &&
                columna.nulos == Nulos::Revisados)
                noNulas << columna.nombre;
        }
    }
    for (std::size_t i = 0; i < recolectadas.size(); ++i)
        if (definiciones[static_cast<qsizetype>(i)].isEmpty())
            throw qm::Error(ColumnaDesconocida, QStringLiteral("Unknown column '%1' in '%2'")
                                                    .arg(recolectadas[i].nombre, TablaTrabajo()));
    // No key: the rows are scanned, sorted or joined whole, never sought.
    const QString columnas = "qm_orden BIGINT NOT NULL, " + definiciones.join(QStringLiteral(", "));
    // MyISAM keeps the rows a failing statement added before its failure, writes fastest, and
    // a scan of a table that is only added to gives its rows in order of addition; a server
    // without it uses its default engine.
    const QString crea = "CREATE TEMPORARY TABLE " + movimientos + " (" + columnas + ")";
    try {
        cn_.Execute(crea + " ENGINE=MyISAM");
        enOrden = true;
    } catch (const qm::Error& e) {
        if (qm::SesionPerdida(e))
            throw;
        CreaTemporal(cn_, crea);
    }
}

void TablasTemporales::CreaSaldos(std::size_t filas) {
    // A MEMORY table's tree finds each row's balances many times faster than a MyISAM key when
    // joined, and faster than its hash when the rows come and are sought in key order; the
    // session's cap on its size is raised to fit (for a moment, some 100 bytes a row), else it
    // would fail as full.
    // Rounded up to 64 MB steps, so that few distinct settings are kept for a re-open.
    constexpr unsigned long long paso = 64ULL * 1024 * 1024;
    const auto tope = (static_cast<unsigned long long>(filas) * 100 / paso + 1) * paso;
    tamanoMemoria_.emplace(cn_, QStringLiteral("max_heap_table_size"), QString::number(tope),
                           qm::Cambio::SoloParaSubir);
    const QString crea = "CREATE TEMPORARY TABLE " + saldos +
                         " (qm_orden BIGINT NOT NULL, SaldoAnterior DOUBLE NOT NULL, "
                         "SaldoActual DOUBLE NOT NULL, PRIMARY KEY USING BTREE (qm_orden))";
    try {
        cn_.Execute(crea + " ENGINE=MEMORY");
    } catch (const qm::Error& e) {
        if (qm::SesionPerdida(e))
            throw;
        CreaTemporal(cn_, crea);
    }
}

void TablasTemporales::CreaCodigos() {
    CreaTemporal(cn_, "CREATE TEMPORARY TABLE " + codigos + " (qm_grafia BIGINT NOT NULL, " +
                          definicionCliente_ + ")");
}

TablasTemporales::~TablasTemporales() {
    try {
        Borra();
    } catch (...) {
        // A lost session took them with it.
    }
}

void TablasTemporales::Borra() {
    cn_.Execute("DROP TEMPORARY TABLE IF EXISTS " + movimientos + ", " + saldos + ", " + codigos);
}

} // namespace movimientos
