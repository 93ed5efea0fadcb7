// Several copies of the program on one host database share its working copy: their Prints
// (build and read) and exits run at once on connections of their own, under the named lock;
// each Print reads only its own request's rows.
#include "host/Error.h"
#include "tests/movements/CopiaCompartida.h"
#include "tests/support/LenguajeMySQL55.h"
#include "tests/support/PerfilesDatos.h"

#include <QRegularExpression>
#include <atomic>
#include <barrier>
#include <gtest/gtest.h>

namespace prueba {
namespace {

using namespace std::chrono_literals;

TEST(ImpresionesALaVez, ElBloqueoEsUnoPorBaseDeDatos) {
    Compartida una;
    Compartida otra;
    Copia a{una};
    Copia b{una};
    Copia c{otra};
    EXPECT_EQ(movimientos::NombreBloqueoCopia(a.cn),
              "quiltaro.tmpravesta." + una.principal.nombre());
    EXPECT_EQ(movimientos::NombreBloqueoCopia(a.cn), movimientos::NombreBloqueoCopia(b.cn));
    const movimientos::BloqueoCopia deA(a.cn, 0s);
    ASSERT_TRUE(deA.tomado());
    // Another copy on the same database must wait; one on another database need not.
    EXPECT_FALSE(movimientos::BloqueoCopia(b.cn, 0s).tomado());
    EXPECT_EQ(c.Imprime("C2", {}, 0s), otra.esperadas["C2"]);
}

TEST(ImpresionesALaVez, DosImpresionesALaVezCadaUnaLeeSoloLaSuya) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    std::atomic<bool> aConstruyo{false};
    std::future<std::optional<Filas>> deB;
    // A has built C1's rows and is about to read them when B presses Print for C2.
    auto deA = EnOtroHilo([&] {
        return a.Imprime("C1", [&] {
            aConstruyo = true;
            if (!compartida.Esperando(1))
                throw std::runtime_error("B no llegó a esperar la tabla");
        });
    });
    while (!aConstruyo && deA.wait_for(10ms) != std::future_status::ready) {
    }
    deB = EnOtroHilo([&] { return b.Imprime("C2"); });
    EXPECT_EQ(deA.get(), compartida.esperadas["C1"]);
    EXPECT_EQ(deB.get(), compartida.esperadas["C2"]);
    // What is stored stays: the last Print's rows, until the next Print or the exit.
    EXPECT_EQ(compartida.Cuenta(), 3);
    EXPECT_EQ(compartida.Cuenta(" WHERE Cliente = 'C2'"), 3);
}

TEST(ImpresionesALaVez, MuchasImpresionesALaVez) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    for (int vuelta = 0; vuelta < 10; ++vuelta) {
        SCOPED_TRACE(vuelta);
        std::barrier juntos(2);
        auto imprime = [&](Copia& copia, const QString& cliente) {
            return EnOtroHilo([&, cliente] {
                juntos.arrive_and_wait();
                return copia.Imprime(cliente);
            });
        };
        auto deA = imprime(a, "C1");
        auto deB = imprime(b, "C2");
        EXPECT_EQ(deA.get(), compartida.esperadas["C1"]);
        EXPECT_EQ(deB.get(), compartida.esperadas["C2"]);
    }
}

TEST(ImpresionesALaVez, UnaSalidaJuntoAUnaImpresion) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    std::future<bool> salida;
    // B closes its program while A prints: B's drop waits until A's report has read the table.
    const std::optional<Filas> leidas = a.Imprime("C1", [&] {
        salida = EnOtroHilo([&] { return b.Sale(60s); });
        if (!compartida.Esperando(1))
            throw std::runtime_error("la salida no llegó a esperar la tabla");
    });
    EXPECT_EQ(leidas, compartida.esperadas["C1"]);
    EXPECT_TRUE(salida.get());
    EXPECT_FALSE(compartida.HayCopia());

    // A's next Print makes the copy again, from ravesta's definition as it is now.
    qm::Conexion cnReportes = Conecta(compartida.reportes.nombre());
    {
        // Its zero-date default would stop the change in a mode that refuses zero dates.
        const SinModoEstricto libre(cnReportes);
        cnReportes.Execute("ALTER TABLE ravesta ADD COLUMN Nota varchar(20) NOT NULL DEFAULT ''");
    }
    EXPECT_EQ(a.Imprime("C2"), compartida.esperadas["C2"]);
    EXPECT_TRUE(compartida.CopiaComoRavesta());
    EXPECT_TRUE(compartida.Columnas(compartida.principal.nombre(), "tmpravesta")
                    .contains("Nota varchar(20)"));
}

TEST(ImpresionesALaVez, UnaSegundaImpresionEsperaYSeRinde) {
    Compartida compartida;
    Copia otra{compartida};
    Copia a{compartida};
    compartida.Marca();
    std::optional<movimientos::BloqueoCopia> bloqueo(std::in_place, otra.cn, 0s);
    ASSERT_TRUE(bloqueo->tomado());
    bool leyo = false;
    EXPECT_EQ(a.Imprime(
                  "C1", [&] { leyo = true; }, 1s),
              std::nullopt);
    // Nothing was built nor read.
    EXPECT_FALSE(leyo);
    EXPECT_TRUE(compartida.Marcada());
    EXPECT_EQ(compartida.Cuenta(), 1);
    bloqueo.reset();
    EXPECT_EQ(a.Imprime("C1", {}, 1s), compartida.esperadas["C1"]);
}

TEST(ImpresionesALaVez, UnaImpresionTrasLaSalidaDeOtraCopiaRehaceLaTabla) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    a.Arranca();
    b.Arranca();
    ASSERT_TRUE(b.Sale());
    ASSERT_FALSE(compartida.HayCopia());
    EXPECT_EQ(a.Imprime("C1"), compartida.esperadas["C1"]);
    EXPECT_TRUE(compartida.CopiaComoRavesta());
}

TEST(ImpresionesALaVez, UnaSesionPerdidaDuranteLaConstruccionNoLee) {
    Compartida compartida;
    Copia a{compartida};
    qm::Conexion mira = Conecta();
    const long long id = a.cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toLongLong();
    bool leyo = false;
    try {
        movimientos::ImprimeConCopia(
            a.BasesDD, a.cn, a.cSQL,
            [&] { mira.Execute(QStringLiteral("KILL CONNECTION %1").arg(id)); },
            [&] { leyo = true; }, 1s, compartida.reportes.nombre());
        FAIL() << "una impresión sin su bloqueo siguió";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), 2006);
    }
    EXPECT_FALSE(leyo);
}

// Before MySQL 5.7 a session holds one named lock at most, and taking a second gives up the
// first: the program takes one name only, never while it holds it, and whatever it does to the
// working copy on its session happens while it holds it; all of it in MySQL 5.5's language.
TEST(ImpresionesALaVez, UnSoloBloqueoPorSesionQueCubreTodoLoQueTocaLaCopia) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    QStringList enviadas;
    a.cn.PonObservador([&](const QString& sql) { enviadas << sql; });
    a.Arranca();
    EXPECT_EQ(a.Imprime("C1"), compartida.esperadas["C1"]);
    ASSERT_TRUE(b.Sale());
    EXPECT_EQ(a.Imprime("C2"), compartida.esperadas["C2"]);
    ASSERT_TRUE(a.Sale());
    a.cn.PonObservador({});

    LenguajeMySQL55 lenguaje;
    const QRegularExpression toma(QStringLiteral("GET_LOCK\\('([^']*)'"));
    QStringList nombres;
    bool tenido = false;
    int tocanLaCopia = 0;
    for (const QString& sql : enviadas) {
        SCOPED_TRACE(sql.left(200).toStdString());
        EXPECT_EQ(lenguaje.Revisa(sql).join("; ").toStdString(), "");
        const QRegularExpressionMatch m = toma.match(sql);
        if (m.hasMatch()) {
            EXPECT_FALSE(tenido) << "un segundo GET_LOCK sin soltar el primero";
            tenido = true;
            nombres << m.captured(1);
        } else if (sql.contains(QStringLiteral("RELEASE_LOCK"))) {
            EXPECT_TRUE(tenido);
            tenido = false;
        } else if (sql.contains(QStringLiteral("tmpravesta"), Qt::CaseInsensitive)) {
            EXPECT_TRUE(tenido) << "la copia se tocó sin el bloqueo";
            ++tocanLaCopia;
        }
    }
    EXPECT_FALSE(tenido);
    // Start-up, two Prints (one making the copy again) and the exit.
    EXPECT_EQ(nombres.size(), 4);
    nombres.removeDuplicates();
    EXPECT_EQ(nombres, QStringList{"quiltaro.tmpravesta." + compartida.principal.nombre()});
    EXPECT_GE(tocanLaCopia, 6);
}

// A Print that fails while building or while the report reads gives the copy back at once.
TEST(ImpresionesALaVez, UnaImpresionQueFallaDevuelveLaTabla) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    const auto falla = [] { throw qm::Error(1146, QStringLiteral("falla de prueba")); };
    const auto nada = [] {};
    const struct {
        const char* caso;
        std::function<void()> construye, lee;
    } casos[] = {{"al construir", falla, nada}, {"al leer", nada, falla}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        EXPECT_THROW(movimientos::ImprimeConCopia(a.BasesDD, a.cn, a.cSQL, c.construye, c.lee, 0s,
                                                  compartida.reportes.nombre()),
                     qm::Error);
        EXPECT_TRUE(movimientos::BloqueoCopia(b.cn, 0s).tomado());
    }
}

} // namespace
} // namespace prueba
