#include "movements/Saldos.h"

#include "host/Error.h"
#include "host/Lote.h"
#include "host/Preparada.h"
#include "host/Recordset.h"
#include "host/VariableDeSesion.h"

#include <QDate>
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace movimientos {

namespace {

// VB's "Invalid use of Null": a statement balance that is not there.
constexpr long UsoInvalidoDeNull = 94;

// Statements stay within a quarter of the server's max_allowed_packet (1 MB by default on
// MySQL 5.5) and 256 KB.
constexpr qsizetype kTamanoLote = 256 * 1024;
constexpr int kConsultasPorLote = 400;

qsizetype TamanoDeLote(qm::Conexion& cn) {
    const qsizetype paquete =
        cn.Consulta(QStringLiteral("SELECT @@max_allowed_packet")).Valor(0).toLongLong();
    return std::clamp<qsizetype>(paquete / 4, 1024, kTamanoLote);
}

struct Fila {
    long long orden;
    double paso; // what the row adds to the balance: the sale, or minus the return or payment
};

struct Grupo {
    std::size_t inicio = 0; // its first row in the walk
    // The code of its first row in the walk: the spelling that "group by Cliente" over
    // tmpravesta gives for the group when it reads the key (Cliente, Fecha, Hora) in order.
    QString cliente;
    QString fecha;        // the date of its first row, as FechaSQL writes it
    bool hallado = false; // an opening-balance lookup found a statement row
    std::optional<double> inicial;
};

struct Recorrido {
    std::vector<Fila> filas;
    std::vector<Grupo> grupos;
};

// Each distinct code (its bytes as the connection receives them) to its group, from the
// server's GROUP BY over the collected codes, which compares them under tmpravesta's collation.
std::unordered_map<QByteArray, int> MapaDeGrupos(qm::Conexion& cn, const TablasTemporales& t) {
    qm::VariableDeSesion largo(cn, QStringLiteral("group_concat_max_len"),
                               QStringLiteral("1048576"));
    qm::Recordset rs =
        cn.Consulta("SELECT GROUP_CONCAT(DISTINCT HEX(CONVERT(Cliente USING utf8mb4))) FROM " +
                    t.movimientos + " GROUP BY Cliente");
    std::unordered_map<QByteArray, int> mapa;
    for (int grupo = 0; !rs.Eof(); rs.MoveNext(), ++grupo)
        for (const QByteArray& hex : rs.Valor(0).toString().toLatin1().split(','))
            mapa.emplace(QByteArray::fromHex(hex), grupo);
    return mapa;
}

// Reads the collected rows in walk order: by Cliente (equal codes under the collation lie
// together), Fecha, Hora, order of addition. Only what the arithmetic needs stays in memory.
Recorrido LeeRecorrido(qm::Conexion& cn, const TablasTemporales& t, const qm::libQMCM& libQMCM) {
    const std::unordered_map<QByteArray, int> mapa = MapaDeGrupos(cn, t);
    using T = qm::Preparada::Tipo;
    qm::Preparada rs(cn,
                     "SELECT qm_orden, Cliente, Fecha, Ventas, Devoluciones, Pagos FROM " +
                         t.movimientos + " ORDER BY Cliente, Fecha, Hora, qm_orden",
                     {T::Entero, T::Texto, T::Texto, T::Doble, T::Doble, T::Doble});
    Recorrido r;
    QByteArray codigo;
    int grupo = -1;
    while (rs.Siguiente()) {
        if (r.grupos.empty() || rs.Texto(1) != codigo) {
            codigo = rs.Texto(1);
            const auto g = mapa.find(codigo);
            if (g == mapa.end())
                throw qm::Error(qm::errores::ArgumentoInvalido,
                                QStringLiteral("El cliente %1 no está en la lista de clientes")
                                    .arg(QString::fromUtf8(codigo)));
            if (g->second != grupo) {
                grupo = g->second;
                const QDate fecha = QDate::fromString(QString::fromLatin1(rs.Texto(2)),
                                                      QStringLiteral("yyyy-MM-dd"));
                Grupo nuevo;
                nuevo.inicio = r.filas.size();
                nuevo.cliente = QString::fromUtf8(codigo);
                nuevo.fecha = libQMCM.FechaSQL(fecha);
                r.grupos.push_back(std::move(nuevo));
            }
        }
        const double ventas = rs.Doble(3).value_or(0);
        const double devoluciones = rs.Doble(4).value_or(0);
        const double paso = ventas != 0         ? ventas
                            : devoluciones != 0 ? -devoluciones
                                                : -rs.Doble(5).value_or(0);
        r.filas.push_back({rs.Entero(0), paso});
    }
    return r;
}

// Which statement row gives a group its opening balance: the last one before its date, or
// the first one on it.
enum class Busqueda { AntesDeLaFecha, EnLaFecha };

// One opening-balance lookup for each of the given groups, many to a statement: lookup 1
// (AntesDeLaFecha) or lookup 2 (EnLaFecha), exactly as the customer's own query would be, its
// code in a quoted literal so that edoctacli.Clave's own collation compares it.
void Busca(qm::Conexion& cn, std::vector<Grupo>& grupos, const std::vector<std::size_t>& cuales,
           Busqueda busqueda, qsizetype tamanoLote) {
    for (std::size_t desde = 0; desde < cuales.size();) {
        QStringList partes;
        qsizetype tamano = 0;
        std::size_t hasta = desde;
        for (; hasta < cuales.size() && partes.size() < kConsultasPorLote && tamano < tamanoLote;
             ++hasta) {
            const Grupo& g = grupos[cuales[hasta]];
            const QString c = cn.Escapa(g.cliente);
            const QString expresion = busqueda == Busqueda::AntesDeLaFecha
                                          ? "edoctacli where Clave='" + c + "' and Fecha<'" +
                                                g.fecha + "' order by Fecha desc,Id desc limit 1"
                                          : "edoctacli where Clave='" + c + "' and Fecha='" +
                                                g.fecha + "' order by Fecha,Id limit 1";
            partes << "(SELECT " + QString::number(cuales[hasta]) + ", SaldoActual FROM " +
                          expresion + ")";
            tamano += partes.back().size();
        }
        using T = qm::Preparada::Tipo;
        qm::Preparada rs(cn, partes.join(" UNION ALL "), {T::Entero, T::Doble});
        while (rs.Siguiente()) {
            Grupo& g = grupos[static_cast<std::size_t>(rs.Entero(0))];
            g.hallado = true;
            g.inicial = rs.Doble(1);
        }
        desde = hasta;
    }
}

void SaldosIniciales(qm::Conexion& cn, std::vector<Grupo>& grupos, qsizetype tamanoLote) {
    std::vector<std::size_t> todos(grupos.size());
    for (std::size_t i = 0; i < grupos.size(); ++i)
        todos[i] = i;
    Busca(cn, grupos, todos, Busqueda::AntesDeLaFecha, tamanoLote);
    std::vector<std::size_t> sinAnterior;
    for (std::size_t i = 0; i < grupos.size(); ++i)
        if (!grupos[i].hallado)
            sinAnterior.push_back(i);
    Busca(cn, grupos, sinAnterior, Busqueda::EnLaFecha, tamanoLote);
    for (Grupo& g : grupos)
        if (!g.hallado)
            g.inicial = 0.0;
}

// Writes (order, balance before, balance after) of every row into the balances table. Groups
// from the first with a NULL opening balance on get 0 and 0. Gives that group, or nothing.
std::optional<std::size_t> EscribeSaldos(qm::Conexion& cn, const TablasTemporales& t,
                                         const Recorrido& r, qsizetype tamanoLote) {
    std::optional<std::size_t> nulo;
    qm::LoteTriples lote(cn, t.saldos, static_cast<std::size_t>(tamanoLote));
    for (std::size_t g = 0; g < r.grupos.size(); ++g) {
        if (!nulo && !r.grupos[g].inicial)
            nulo = g;
        const std::size_t fin = g + 1 < r.grupos.size() ? r.grupos[g + 1].inicio : r.filas.size();
        double saldo = nulo ? 0 : *r.grupos[g].inicial;
        for (std::size_t i = r.grupos[g].inicio; i < fin; ++i) {
            const double nuevo = nulo ? 0 : saldo + r.filas[i].paso;
            lote.Agrega(r.filas[i].orden, saldo, nuevo);
            saldo = nuevo;
        }
    }
    lote.Termina();
    return nulo;
}

} // namespace

void CalculaSaldos(qm::Conexion& cn, TablasTemporales& t, const qm::libQMCM& libQMCM) {
    Recorrido r = LeeRecorrido(cn, t, libQMCM);
    const qsizetype tamanoLote = TamanoDeLote(cn);
    SaldosIniciales(cn, r.grupos, tamanoLote);
    t.CreaSaldos(r.filas.size());
    const std::optional<std::size_t> nulo = EscribeSaldos(cn, t, r, tamanoLote);
    // The collected values from the scratch rows, the balances from their own table.
    QStringList valores;
    for (const ColumnaTrabajo& c : kColumnasTrabajo)
        valores << (c.origen == Origen::Recolectada ? "m." : "s.") + c.nombre;
    // Named columns only: any other column of tmpravesta takes its default. The rows go in
    // order of addition: a scan of the collected rows gives it, when they are MyISAM's; an
    // ORDER BY would sort them all again.
    cn.Execute("INSERT INTO tmpravesta (" + Nombres(kColumnasTrabajo).join(",") + ") SELECT " +
               valores.join(",") + " FROM " + t.movimientos + " m STRAIGHT_JOIN " + t.saldos +
               " s ON s.qm_orden = m.qm_orden" +
               (t.enOrden ? QString() : QStringLiteral(" ORDER BY m.qm_orden")));
    if (nulo)
        throw qm::Error(UsoInvalidoDeNull,
                        QStringLiteral("edoctacli: el saldo del estado de cuenta del cliente %1 "
                                       "es nulo")
                            .arg(r.grupos[*nulo].cliente));
}

} // namespace movimientos
