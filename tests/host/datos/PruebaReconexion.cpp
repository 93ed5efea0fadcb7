#include "host/BasesDD.h"
#include "host/Conexion.h"
#include "host/Error.h"
#include "host/Lote.h"
#include "host/Preparada.h"
#include "host/Recordset.h"
#include "tests/support/ProxySilencioso.h"
#include "tests/support/ServidorPrueba.h"

#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

namespace {

long long Cuenta(qm::Conexion& cn, const QString& tabla) {
    return cn.Consulta("SELECT COUNT(*) FROM " + tabla).Valor(0).toLongLong();
}

// Waits (a minute at most, against a hang) until the server lists a session that matches the
// condition (`hay`) or lists none.
bool HaySesiones(const QString& condicion, bool hay) {
    qm::Conexion otra = prueba::Conecta();
    const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while ((otra.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE " + condicion)
                .Valor(0)
                .toLongLong() > 0) != hay) {
        if (std::chrono::steady_clock::now() > limite)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The parameters of the test server, reached through the proxy.
qm::ParametrosConexion PorProxy(const prueba::ProxySilencioso& proxy, const QString& base = {}) {
    prueba::DatosServidor datos = prueba::Servidor();
    datos.puerto = proxy.puerto();
    return prueba::Parametros(datos, base);
}

// A session lost to a silent server names the server and port it was reaching.
void NombraElProxy(const qm::Error& e, const prueba::ProxySilencioso& proxy) {
    EXPECT_EQ(e.numero(), 2013);
    EXPECT_TRUE(
        e.descripcion().contains(QStringLiteral("(127.0.0.1, puerto %1)").arg(proxy.puerto())))
        << e.descripcion().toStdString();
}

TEST(Reconexion, SobreviveAlReinicioDelServidor) {
    prueba::ServidorPropio servidor;
    qm::Conexion cn = prueba::Conecta(servidor.datos());
    cn.Execute("CREATE DATABASE r");
    cn.Execute("CREATE TABLE r.t (a INT, b VARCHAR(10))");
    cn.Execute("INSERT INTO r.t VALUES (1, 'x')");
    cn.Execute("SET SESSION sql_mode='NO_BACKSLASH_ESCAPES,STRICT_ALL_TABLES'");
    const QString modo = cn.Consulta("SELECT @@SESSION.sql_mode").Valor(0).toString();
    qm::Recordset rs = cn.Consulta("SELECT * FROM r.t");

    servidor.Detiene();
    servidor.Arranca();

    cn.Execute("INSERT INTO r.t VALUES (2, 'y')");
    EXPECT_EQ(Cuenta(cn, "r.t"), 2);
    EXPECT_EQ(cn.Consulta("SELECT @@SESSION.sql_mode").Valor(0).toString(), modo);
    EXPECT_EQ(cn.Escapa("a\\b"), "a\\b");

    // A recordset read before the restart still saves through the new session.
    servidor.Detiene();
    servidor.Arranca();
    rs.Asigna("b", "z");
    rs.Update();
    EXPECT_EQ(cn.Consulta("SELECT b FROM r.t WHERE a = 1").Valor(0).toString(), "z");
    EXPECT_EQ(Cuenta(cn, "r.t"), 2);
}

TEST(Reconexion, ServidorCaidoFallaYLuegoSeRecupera) {
    prueba::ServidorPropio servidor;
    qm::Conexion cn = prueba::Conecta(servidor.datos());
    cn.Execute("CREATE DATABASE r");
    cn.Execute("CREATE TABLE r.t (a INT)");
    servidor.Detiene();
    try {
        cn.Execute("INSERT INTO r.t VALUES (1)");
        FAIL() << "una sentencia sin servidor no falló";
    } catch (const qm::Error& e) {
        EXPECT_TRUE(e.numero() == 2002 || e.numero() == 2003) << e.numero();
    }
    servidor.Arranca();
    cn.Execute("INSERT INTO r.t VALUES (1)");
    EXPECT_EQ(Cuenta(cn, "r.t"), 1);
}

// A server gone silent (open, no answer): the statement fails once the answer bound has passed,
// naming the server and port, and the session is given up; once the server answers again the
// next statement runs on a new session with the session's settings.
TEST(Reconexion, ServidorCalladoFallaEnSuPlazoYLuegoSeRecupera) {
    prueba::ProxySilencioso proxy(prueba::Servidor().puerto);
    qm::Conexion cn = qm::Conexion::Abre(PorProxy(proxy));
    cn.PonPlazoRespuesta(qm::RespuestaBreve);
    cn.Execute("SET SESSION sql_mode='NO_BACKSLASH_ESCAPES'");
    const long long primera = cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toLongLong();

    proxy.Calla();
    try {
        cn.Consulta("SELECT 1");
        FAIL() << "una sentencia sin respuesta no falló";
    } catch (const qm::Error& e) {
        NombraElProxy(e, proxy);
    }
    proxy.Habla();
    EXPECT_NE(cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toLongLong(), primera);
    EXPECT_EQ(cn.Consulta("SELECT @@SESSION.sql_mode").Valor(0).toString(), "NO_BACKSLASH_ESCAPES");

    // A statement that takes longer than the usual bound runs whole under the long one.
    const qm::PlazoDeRespuesta largo(cn, qm::RespuestaLarga);
    EXPECT_EQ(cn.Consulta(QStringLiteral("SELECT SLEEP(%1)").arg(qm::RespuestaBreve.count() + 1))
                  .Valor(0)
                  .toLongLong(),
              0);
}

TEST(Reconexion, SesionCerradaPorInactividad) {
    prueba::BaseTemporal base("espera");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE t (a INT)");
    cn.Execute("SET SESSION wait_timeout=1");
    const QString antes = cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toString();
    // The server ends the idle session after a second; the next statement then finds it gone.
    ASSERT_TRUE(HaySesiones("ID = " + antes, false));
    cn.Execute("INSERT INTO t VALUES (1)");
    EXPECT_EQ(Cuenta(cn, "t"), 1);
    EXPECT_NE(cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toString(), antes);
    EXPECT_EQ(cn.Consulta("SELECT @@SESSION.wait_timeout").Valor(0).toLongLong(), 1);
}

TEST(Reconexion, SesionTerminadaDesdeOtraSinActividad) {
    prueba::BaseTemporal base("kill");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE t (a INT)");
    const QString id = cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toString();
    prueba::Conecta().Execute("KILL CONNECTION " + id);
    cn.Execute("INSERT INTO t VALUES (1)");
    EXPECT_EQ(Cuenta(cn, "t"), 1);
}

// Lost while the server was answering: the statement may have run, so it fails and is not
// sent again; the next statement gets a new session.
TEST(Reconexion, PerdidaDuranteLaRespuestaNoSeRepite) {
    prueba::BaseTemporal base("perdida");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE t (a INT)");
    const QString id = cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toString();
    bool corria = false;
    std::thread mata([&] {
        // Wait until the statement is running, then end its session.
        corria = HaySesiones("ID = " + id + " AND INFO LIKE 'INSERT%'", true);
        prueba::Conecta().Execute("KILL CONNECTION " + id);
    });
    EXPECT_THROW(cn.Execute("INSERT INTO t SELECT 1 FROM DUAL WHERE SLEEP(5) = 0"), qm::Error);
    mata.join();
    EXPECT_TRUE(corria);
    // Once the killed session is gone nothing of it can still insert.
    ASSERT_TRUE(HaySesiones("ID = " + id, false));
    EXPECT_LE(Cuenta(cn, "t"), 1);
}

// The builder's statement helpers, their server gone silent half way, name the server and port
// as every other lost session does.
struct CasoAyudante {
    const char* nombre;
    void (*corre)(qm::Conexion& cn, prueba::ProxySilencioso& proxy);
};

void PrintTo(const CasoAyudante& c, std::ostream* os) {
    *os << c.nombre;
}

class AyudanteCallado : public ::testing::TestWithParam<CasoAyudante> {};

TEST_P(AyudanteCallado, NombraServidorYPuerto) {
    prueba::BaseTemporal base("callado");
    prueba::ProxySilencioso proxy(prueba::Servidor().puerto);
    qm::ParametrosConexion p = PorProxy(proxy, base.nombre());
    p.limiteLectura = std::chrono::seconds(1);
    qm::Conexion cn = qm::Conexion::Abre(p);
    cn.Execute("CREATE TABLE t (a BIGINT, b DOUBLE, c DOUBLE)");
    try {
        GetParam().corre(cn, proxy);
        FAIL() << "un servidor callado no hizo fallar";
    } catch (const qm::Error& e) {
        NombraElProxy(e, proxy);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ayudantes, AyudanteCallado,
    ::testing::Values(CasoAyudante{"preparadaLeyendo",
                                   [](qm::Conexion& cn, prueba::ProxySilencioso& proxy) {
                                       qm::Preparada rs(cn, "SELECT seq FROM seq_1_to_100000000",
                                                        {qm::Preparada::Tipo::Entero});
                                       proxy.Calla();
                                       while (rs.Siguiente()) {
                                       }
                                   }},
                      CasoAyudante{"preparadaAlPreparar",
                                   [](qm::Conexion& cn, prueba::ProxySilencioso& proxy) {
                                       proxy.Calla();
                                       qm::Preparada rs(cn, "SELECT 1",
                                                        {qm::Preparada::Tipo::Entero});
                                   }},
                      CasoAyudante{"loteEnviando",
                                   [](qm::Conexion& cn, prueba::ProxySilencioso& proxy) {
                                       qm::LoteTriples lote(cn, "t", 32); // a row each time
                                       lote.Agrega(1, 2, 3);
                                       proxy.Calla();
                                       lote.Agrega(4, 5, 6);
                                   }}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
