// Several copies of the program on one host database share its working copy: start-ups, Prints
// (build and read) and exits run at once on connections of their own, under the named lock.
#include "host/BasesDD.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Movimientos.h"
#include "movements/Tablas.h"
#include "tests/support/PerfilesDatos.h"
#include "tests/support/ServidorPrueba.h"

#include <barrier>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Filas = std::vector<std::string>; // "customer folio", readable in a failure

// A host database with two customers' documents, and its reports database, as the first
// start-up leaves them.
struct Compartida {
    prueba::BaseTemporal principal{"copia"};
    prueba::BaseTemporal reportes{"copiarep"};
    // What a Print of each customer must read: "customer folio" in order of addition.
    std::map<QString, Filas> esperadas;

    Compartida() {
        qm::Conexion cn = prueba::Conecta(principal.nombre());
        prueba::CreaTablasHost(cn, prueba::PerfilesDatos().front());
        for (const QString cliente : {"C1", "C2"})
            for (int folio = 1; folio <= 3; ++folio) {
                const int numero = (cliente == "C1" ? 100 : 200) + folio;
                cn.Execute(QStringLiteral("INSERT INTO remisiones (Serie,Factura,Cliente,Fecha,"
                                          "Hora,SubTotal) VALUES ('',%1,'%2','2024-03-0%3',"
                                          "'10:00:00',%4)")
                               .arg(numero)
                               .arg(cliente)
                               .arg(folio)
                               .arg(numero * 1.5));
                esperadas[cliente].push_back(
                    (cliente + QLatin1Char(' ') + QString::number(numero)).toStdString());
            }
        qm::Conexion cnReportes = prueba::Conecta(reportes.nombre());
        QString cSQL;
        movimientos::PreparaTablas(Ajustes(), cn, cnReportes, cSQL);
    }

    // The settings record of a copy of the program working on this database.
    qm::BasesDD Ajustes() const {
        const prueba::DatosServidor& s = prueba::Servidor();
        qm::BasesDD BasesDD;
        BasesDD.cRuta = s.servidor;
        BasesDD.cPuerto = s.puerto;
        BasesDD.cUsuario = s.usuario;
        BasesDD.cPassword = s.password;
        BasesDD.cMiBase = principal.nombre();
        return BasesDD;
    }
    qm::Conexion Conecta() const { return prueba::Conecta(principal.nombre()); }

    long long Cuenta(const QString& donde = QString()) const {
        return Conecta().Consulta("SELECT COUNT(*) FROM tmpravesta" + donde).Valor(0).toLongLong();
    }
    bool HayCopia() const {
        qm::Conexion cn = Conecta();
        return Ajustes().HayTabla("tmpravesta", cn);
    }
    QStringList Columnas(const QString& base, const QString& tabla) const {
        qm::Recordset rs = prueba::Conecta().Consulta(
            QStringLiteral("SELECT COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS WHERE "
                           "TABLE_SCHEMA='%1' AND TABLE_NAME='%2' ORDER BY ORDINAL_POSITION")
                .arg(base, tabla));
        QStringList columnas;
        for (; !rs.Eof(); rs.MoveNext())
            columnas << rs.Valor(0).toString() + QLatin1Char(' ') + rs.Valor(1).toString();
        return columnas;
    }
    // The working copy has exactly ravesta's columns.
    bool CopiaComoRavesta() const {
        const QStringList copia = Columnas(principal.nombre(), "tmpravesta");
        return !copia.isEmpty() && copia == Columnas(reportes.nombre(), "ravesta");
    }
    // A row no build of this test makes, to see whether someone touched the copy.
    void Marca() const {
        Conecta().Execute("INSERT INTO tmpravesta (Cliente, Folio) VALUES ('MARCA', 'x')");
    }
    bool Marcada() const { return Cuenta(" WHERE Cliente = 'MARCA'") == 1; }

    // Waits (a minute at most, against a hang) until that many sessions on this database wait
    // for a named lock.
    bool Esperando(int sesiones) const {
        qm::Conexion cn = prueba::Conecta();
        for (int i = 0; i < 6000; ++i) {
            if (cn.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE "
                            "STATE = 'User lock' AND DB = '" +
                            principal.nombre() + "'")
                    .Valor(0)
                    .toLongLong() == sesiones)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

// One copy of the program: its own main connection, settings and host objects.
struct Copia {
    explicit Copia(const Compartida& c) : compartida(c) {}
    const Compartida& compartida;
    qm::libQMCM libQMCM;
    qm::BasesDD BasesDD = compartida.Ajustes();
    qm::Utilerias Utilerias;
    qm::Conexion cn = compartida.Conecta();
    QString cSQL;

    // Start-up's step with the working copy.
    void Arranca(std::chrono::seconds espera = movimientos::EsperaArranque) {
        qm::Conexion cnReportes;
        BasesDD.AbrirBdD(cnReportes, compartida.reportes.nombre());
        movimientos::PreparaCopiaCompartida(BasesDD, cn, cnReportes, cSQL, espera);
    }

    // The exit's drop.
    bool Sale(std::chrono::seconds espera = movimientos::EsperaSalida) {
        return movimientos::BorraCopiaCompartida(cn, espera);
    }

    // A Print of one customer. The report is read as the engine reads it, on a connection of
    // its own; antesDeLeer runs first. Nothing when the copy stayed busy for the whole wait.
    std::optional<Filas> Imprime(const QString& cliente,
                                 const std::function<void()>& antesDeLeer = {},
                                 std::chrono::seconds espera = movimientos::EsperaImpresion) {
        Filas leidas;
        const auto construye = [&] {
            movimientos::GeneraMovimientos({libQMCM, BasesDD, Utilerias}, cn, cSQL,
                                           {"__/__/____", "__/__/____", cliente});
        };
        const auto lee = [&] {
            if (antesDeLeer)
                antesDeLeer();
            qm::Recordset rs =
                compartida.Conecta().Consulta("SELECT CONCAT(Cliente, ' ', Folio) FROM tmpravesta");
            for (; !rs.Eof(); rs.MoveNext())
                leidas.push_back(rs.Valor(0).toString().toStdString());
        };
        if (!movimientos::ImprimeConCopia(BasesDD, cn, cSQL, construye, lee, espera,
                                          compartida.reportes.nombre()))
            return std::nullopt;
        return leidas;
    }
};

template <class F> auto EnOtroHilo(F&& f) {
    return std::async(std::launch::async, std::forward<F>(f));
}

TEST(CopiaCompartida, ElBloqueoEsUnoPorBaseDeDatos) {
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

TEST(CopiaCompartida, DosArranquesALaVez) {
    Compartida compartida;
    for (int vuelta = 0; vuelta < 20; ++vuelta) {
        SCOPED_TRACE(vuelta);
        Copia a{compartida};
        Copia b{compartida};
        compartida.Marca();
        std::barrier juntos(2);
        auto arranca = [&](Copia& copia) {
            return EnOtroHilo([&] {
                juntos.arrive_and_wait();
                copia.Arranca();
            });
        };
        auto deA = arranca(a);
        auto deB = arranca(b);
        EXPECT_NO_THROW(deA.get());
        EXPECT_NO_THROW(deB.get());
        EXPECT_TRUE(compartida.CopiaComoRavesta());
        EXPECT_EQ(compartida.Cuenta(), 0);
        EXPECT_TRUE(a.cSQL.startsWith("CREATE TABLE `tmpravesta`")) << a.cSQL.toStdString();
    }
}

TEST(CopiaCompartida, ElArranqueEsperaALaCopiaQueTieneLaTabla) {
    Compartida compartida;
    Copia otra{compartida};
    Copia a{compartida};
    Copia b{compartida};
    compartida.Marca();
    std::optional<movimientos::BloqueoCopia> bloqueo(std::in_place, otra.cn, 0s);
    ASSERT_TRUE(bloqueo->tomado());
    auto deA = EnOtroHilo([&] { a.Arranca(); });
    auto deB = EnOtroHilo([&] { b.Arranca(); });
    ASSERT_TRUE(compartida.Esperando(2));
    // Neither dropped nor replaced the copy that the other copy of the program holds.
    EXPECT_TRUE(compartida.Marcada());
    bloqueo.reset();
    EXPECT_NO_THROW(deA.get());
    EXPECT_NO_THROW(deB.get());
    EXPECT_TRUE(compartida.CopiaComoRavesta());
    EXPECT_EQ(compartida.Cuenta(), 0);
}

TEST(CopiaCompartida, UnArranqueQueNoAlcanzaLaTablaFallaCon1205) {
    Compartida compartida;
    Copia otra{compartida};
    Copia a{compartida};
    compartida.Marca();
    const movimientos::BloqueoCopia bloqueo(otra.cn, 0s);
    ASSERT_TRUE(bloqueo.tomado());
    try {
        a.Arranca(1s);
        FAIL() << "el arranque no esperó a la otra copia";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), 1205);
        EXPECT_TRUE(e.descripcion().startsWith("Otro usuario está imprimiendo"))
            << e.texto().toStdString();
    }
    EXPECT_TRUE(compartida.Marcada());
}

TEST(CopiaCompartida, DosImpresionesALaVezCadaUnaLeeSoloLaSuya) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    std::promise<void> aConstruyo;
    std::future<std::optional<Filas>> deB;
    // A has built C1's rows and is about to read them when B presses Print for C2.
    auto deA = EnOtroHilo([&] {
        return a.Imprime("C1", [&] {
            aConstruyo.set_value();
            if (!compartida.Esperando(1))
                throw std::runtime_error("B no llegó a esperar la tabla");
        });
    });
    aConstruyo.get_future().wait();
    deB = EnOtroHilo([&] { return b.Imprime("C2"); });
    EXPECT_EQ(deA.get(), compartida.esperadas["C1"]);
    EXPECT_EQ(deB.get(), compartida.esperadas["C2"]);
    // What is stored stays: the last Print's rows, until the next Print or the exit.
    EXPECT_EQ(compartida.Cuenta(), 3);
    EXPECT_EQ(compartida.Cuenta(" WHERE Cliente = 'C2'"), 3);
}

TEST(CopiaCompartida, MuchasImpresionesALaVez) {
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

TEST(CopiaCompartida, UnaSalidaJuntoAUnaImpresion) {
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
    qm::Conexion cnReportes = prueba::Conecta(compartida.reportes.nombre());
    cnReportes.Execute("ALTER TABLE ravesta ADD COLUMN Nota varchar(20) NOT NULL DEFAULT ''");
    EXPECT_EQ(a.Imprime("C2"), compartida.esperadas["C2"]);
    EXPECT_TRUE(compartida.CopiaComoRavesta());
    EXPECT_TRUE(compartida.Columnas(compartida.principal.nombre(), "tmpravesta")
                    .contains("Nota varchar(20)"));
}

TEST(CopiaCompartida, LaSalidaNoEsperaDeMasYDejaLaTablaASuDueno) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    compartida.Marca();
    const movimientos::BloqueoCopia bloqueo(a.cn, 0s);
    ASSERT_TRUE(bloqueo.tomado());
    EXPECT_FALSE(b.Sale(1s));
    EXPECT_TRUE(compartida.Marcada());
}

TEST(CopiaCompartida, UnaSegundaImpresionEsperaYSeRinde) {
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

TEST(CopiaCompartida, UnaImpresionTrasLaSalidaDeOtraCopiaRehaceLaTabla) {
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

TEST(CopiaCompartida, UnaSesionPerdidaDuranteLaConstruccionNoLee) {
    Compartida compartida;
    Copia a{compartida};
    qm::Conexion mira = prueba::Conecta();
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

} // namespace
