#include "movements/Saldos.h"

#include "host/Error.h"
#include "host/Lote.h"
#include "host/Preparada.h"
#include "host/Recordset.h"
#include "host/VariableDeSesion.h"
#include "movements/Recoleccion.h"
#include "movements/Tablas.h"

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
    // The first row, in order of addition, with a NULL that tmpravesta refuses.
    std::optional<long long> nulo;
};

// A run of rows of one spelling of a code, in walk order.
struct Tramo {
    std::size_t inicio; // its first row in the walk
    std::size_t grafia; // its spelling, by number
    QByteArray fecha;   // the date of its first row
};

// Each spelling's group: the server's GROUP BY over the spellings, which compares them under
// tmpravesta's collation as a GROUP BY over the collected rows would, at a small fraction of
// its cost.
std::vector<std::size_t> GruposDeGrafias(qm::Conexion& cn, TablasTemporales& t,
                                         const std::vector<QByteArray>& grafias,
                                         qsizetype tamanoLote) {
    std::vector<std::size_t> grupoDe(grafias.size(), 0);
    if (grafias.size() < 2)
        return grupoDe;
    t.CreaCodigos();
    for (std::size_t desde = 0; desde < grafias.size();) {
        QStringList filas;
        qsizetype tamano = 0;
        for (; desde < grafias.size() && tamano < tamanoLote; ++desde) {
            filas << "(" + QString::number(desde) + ",'" +
                         cn.Escapa(QString::fromUtf8(grafias[desde])) + "')";
            tamano += filas.back().size();
        }
        cn.Execute("INSERT INTO " + t.codigos + " VALUES " + filas.join(','));
    }
    // The session's own group_concat_max_len (1024 bytes by default) holds the spellings of a
    // group but in odd cases; only when a group's list comes back cut is it read again longer.
    for (const bool largo : {false, true}) {
        std::optional<qm::VariableDeSesion> tope;
        if (largo)
            tope.emplace(cn, QStringLiteral("group_concat_max_len"), QStringLiteral("1048576"),
                         qm::Cambio::SoloParaSubir);
        qm::Recordset rs = cn.Consulta("SELECT COUNT(*), GROUP_CONCAT(qm_grafia) FROM " +
                                       t.codigos + " GROUP BY Cliente");
        bool entero = true;
        for (std::size_t grupo = 0; !rs.Eof() && entero; rs.MoveNext(), ++grupo) {
            const QStringList numeros = rs.Valor(1).toString().split(QLatin1Char(','));
            entero = numeros.size() == rs.Valor(0).toLongLong() && !numeros.contains(QString());
            for (const QString& n : numeros)
                grupoDe.at(n.toULongLong()) = grupo;
        }
        if (entero)
            return grupoDe;
    }
    throw qm::Error(qm::errores::ArgumentoInvalido,
                    QStringLiteral("Demasiadas grafías de un mismo cliente"));
}

// What a row adds to the balance: the sale, else minus the return, else minus the payment (a
// NULL amount counts as 0). The server picks and negates, both exact, and sends one double a row
// instead of three.
const QString kPaso =
    QStringLiteral("IF(Ventas<>0, Ventas, IF(Devoluciones<>0, -Devoluciones, -Pagos))");

// Reads the collected rows in walk order: by Cliente (equal codes under the collation lie
// together), Fecha, Hora, order of addition. Only what the arithmetic needs stays in memory.
Recorrido LeeRecorrido(qm::Conexion& cn, TablasTemporales& t, const qm::libQMCM& libQMCM,
                       qsizetype tamanoLote) {
    Recorrido r;
    std::unordered_map<QByteArray, std::size_t> numeros;
    std::vector<QByteArray> grafias;
    std::vector<Tramo> tramos;
    {
        // The walk's one read also finds the NULLs.
        const QString nulo = CondicionDeNulo(t);
        using T = qm::Preparada::Tipo;
        qm::Preparada rs(cn,
                         "SELECT qm_orden, Cliente, Fecha, " + kPaso + ", " +
                             (nulo.isEmpty() ? QStringLiteral("0") : nulo) + " FROM " +
                             t.movimientos + " ORDER BY Cliente, Fecha, Hora, qm_orden",
                         {T::Entero, T::Texto, T::Texto, T::Doble, T::Entero});
        while (rs.Siguiente()) {
            if (rs.Entero(4) != 0 && (!r.nulo || rs.Entero(0) < *r.nulo))
                r.nulo = rs.Entero(0);
            if (tramos.empty() || rs.Texto(1) != grafias[tramos.back().grafia]) {
                const auto [g, nueva] = numeros.try_emplace(rs.Texto(1), grafias.size());
                if (nueva)
                    grafias.push_back(rs.Texto(1));
                tramos.push_back({r.filas.size(), g->second, rs.Texto(2)});
            }
            // NULL only when the payment is NULL: the step is then minus nothing.
            r.filas.push_back({rs.Entero(0), rs.Doble(3).value_or(-0.0)});
        }
    }
    if (r.nulo)
        return r;
    const std::vector<std::size_t> grupoDe = GruposDeGrafias(cn, t, grafias, tamanoLote);
    // Equal codes lie together in the walk: a group starts where the group changes.
    for (std::size_t i = 0; i < tramos.size(); ++i) {
        const Tramo& tramo = tramos[i];
        if (i > 0 && grupoDe[tramo.grafia] == grupoDe[tramos[i - 1].grafia])
            continue;
        Grupo nuevo;
        nuevo.inicio = tramo.inicio;
        nuevo.cliente = QString::fromUtf8(grafias[tramo.grafia]);
        nuevo.fecha = libQMCM.FechaSQL(
            QDate::fromString(QString::fromLatin1(tramo.fecha), QStringLiteral("yyyy-MM-dd")));
        r.grupos.push_back(std::move(nuevo));
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
            const QString expresion =
                busqueda == Busqueda::AntesDeLaFecha
                    ? TablaEstadoDeCuenta() + " where Clave='" + c + "' and Fecha<'" + g.fecha +
                          "' order by Fecha desc,Id desc limit 1"
                    : TablaEstadoDeCuenta() + " where Clave='" + c + "' and Fecha='" + g.fecha +
                          "' order by Fecha,Id limit 1";
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

// Writes (order, balance before, balance after) of every row into the balances table, in
// order of addition: its key then grows at one end, and the final join reads it in that order.
// Groups from the first with a NULL opening balance on get 0 and 0. Gives that group, or
// nothing.
std::optional<std::size_t> EscribeSaldos(qm::Conexion& cn, const TablasTemporales& t,
                                         const Recorrido& r, qsizetype tamanoLote) {
    struct Saldo {
        long long orden;
        double anterior, actual;
    };
    std::vector<Saldo> saldos;
    saldos.reserve(r.filas.size());
    std::optional<std::size_t> nulo;
    for (std::size_t g = 0; g < r.grupos.size(); ++g) {
        if (!nulo && !r.grupos[g].inicial)
            nulo = g;
        const std::size_t fin = g + 1 < r.grupos.size() ? r.grupos[g + 1].inicio : r.filas.size();
        double saldo = nulo ? 0 : *r.grupos[g].inicial;
        for (std::size_t i = r.grupos[g].inicio; i < fin; ++i) {
            const double nuevo = nulo ? 0 : saldo + r.filas[i].paso;
            saldos.push_back({r.filas[i].orden, saldo, nuevo});
            saldo = nuevo;
        }
    }
    // The collection numbers the rows 1, 2, 3...: each goes to its place, else they are sorted.
    std::vector<Saldo> enOrden(saldos.size(), Saldo{0, 0, 0});
    const auto coloca = [&](const Saldo& s) {
        if (s.orden < 1 || static_cast<std::size_t>(s.orden) > enOrden.size() ||
            enOrden[static_cast<std::size_t>(s.orden) - 1].orden != 0)
            return false;
        enOrden[static_cast<std::size_t>(s.orden) - 1] = s;
        return true;
    };
    if (std::ranges::all_of(saldos, coloca))
        saldos.swap(enOrden);
    else
        std::ranges::sort(saldos, {}, &Saldo::orden);
    qm::LoteTriples lote(cn, t.saldos, static_cast<std::size_t>(tamanoLote));
    for (const Saldo& s : saldos)
        lote.Agrega(s.orden, s.anterior, s.actual);
    lote.Termina();
    return nulo;
}

} // namespace

void CalculaSaldos(qm::Conexion& cn, TablasTemporales& t, const Fuentes& fuentes,
                   const qm::libQMCM& libQMCM) {
    const qsizetype tamanoLote = TamanoDeLote(cn);
    Recorrido r = LeeRecorrido(cn, t, libQMCM, tamanoLote);
    if (r.nulo)
        FallaPorNulo(cn, t, fuentes, *r.nulo);
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
    cn.Execute("INSERT INTO " + TablaTrabajo() + " (" + Nombres(kColumnasTrabajo).join(",") +
               ") SELECT " + valores.join(",") + " FROM " + t.movimientos + " m STRAIGHT_JOIN " +
               t.saldos + " s ON s.qm_orden = m.qm_orden" +
               (t.enOrden ? QString() : QStringLiteral(" ORDER BY m.qm_orden")));
    if (nulo)
        throw qm::Error(UsoInvalidoDeNull,
                        QStringLiteral("%1: el saldo del estado de cuenta del cliente %2 es nulo")
                            .arg(TablaEstadoDeCuenta(), r.grupos[*nulo].cliente));
}

} // namespace movimientos
