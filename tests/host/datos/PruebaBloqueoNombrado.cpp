// The named server lock: taken, refused while another session holds it, given back when the
// guard goes, lost with its session; names the server would refuse are shortened safely.
#include "host/BloqueoNombrado.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "tests/support/ServidorPrueba.h"

#include <QCoreApplication>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

QString Nombre(const char* sufijo) {
    return QStringLiteral("prueba.bloqueo.%1.%2")
        .arg(QCoreApplication::applicationPid())
        .arg(sufijo);
}

long long IdSesion(qm::Conexion& cn) {
    return cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toLongLong();
}

// Waits (at most a minute, against a hang) until that many sessions wait for a named lock.
bool Esperando(qm::Conexion& cn, const QString& nombre, int sesiones) {
    for (int i = 0; i < 6000; ++i) {
        const long long n = cn.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                        "WHERE STATE = 'User lock' AND INFO LIKE '%" +
                                        nombre + "%'")
                                .Valor(0)
                                .toLongLong();
        if (n == sesiones)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// Waits (at most a minute, against a hang) until the server has ended that session: KILL
// returns before the killed session lets go of what it holds.
bool Terminada(qm::Conexion& cn, long long id) {
    for (int i = 0; i < 6000; ++i) {
        if (cn.Consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                       "WHERE ID = %1")
                            .arg(id))
                .Valor(0)
                .toLongLong() == 0)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

int Letras(const QString& texto) {
    return int(texto.toUcs4().size());
}

TEST(BloqueoNombrado, UnaSesionLoTieneYLaOtraNoHastaQueSeDevuelve) {
    qm::Conexion a = prueba::Conecta();
    qm::Conexion b = prueba::Conecta();
    const QString nombre = Nombre("uno");
    {
        qm::BloqueoNombrado deA(a, nombre, 0s);
        ASSERT_TRUE(deA.tomado());
        EXPECT_TRUE(deA.Vigente());
        qm::BloqueoNombrado deB(b, nombre, 0s);
        EXPECT_FALSE(deB.tomado());
        EXPECT_FALSE(deB.Vigente());
        // What B did not get it does not give back either.
        // A wait longer than a statement's usual answer bound is the server's, not a silence.
        b.PonPlazoRespuesta(qm::RespuestaBreve);
        qm::BloqueoNombrado largo(b, nombre, qm::RespuestaBreve + 1s);
        EXPECT_FALSE(largo.tomado());
    }
    qm::BloqueoNombrado deB(b, nombre, 0s);
    EXPECT_TRUE(deB.tomado());
    deB.Libera();
    EXPECT_FALSE(deB.tomado());
    qm::BloqueoNombrado deA(a, nombre, 0s);
    EXPECT_TRUE(deA.tomado());
}

TEST(BloqueoNombrado, QuienEsperaLoRecibeCuandoElOtroLoDevuelve) {
    qm::Conexion a = prueba::Conecta();
    qm::Conexion b = prueba::Conecta();
    qm::Conexion mira = prueba::Conecta();
    const QString nombre = Nombre("espera");
    std::optional<qm::BloqueoNombrado> deA(std::in_place, a, nombre, 0s);
    ASSERT_TRUE(deA->tomado());
    auto deB = std::async(std::launch::async, [&] {
        const qm::BloqueoNombrado bloqueo(b, nombre, 60s);
        return bloqueo.tomado();
    });
    ASSERT_TRUE(Esperando(mira, nombre, 1));
    deA.reset();
    EXPECT_TRUE(deB.get());
}

TEST(BloqueoNombrado, UnaEsperaInterrumpidaPorElServidorFalla) {
    qm::Conexion a = prueba::Conecta();
    qm::Conexion b = prueba::Conecta();
    qm::Conexion mira = prueba::Conecta();
    const QString nombre = Nombre("interrumpida");
    const qm::BloqueoNombrado deA(a, nombre, 0s);
    ASSERT_TRUE(deA.tomado());
    const long long idB = IdSesion(b);
    auto deB = std::async(std::launch::async, [&] { qm::BloqueoNombrado bloqueo(b, nombre, 60s); });
    ASSERT_TRUE(Esperando(mira, nombre, 1));
    mira.Execute(QStringLiteral("KILL QUERY %1").arg(idB));
    try {
        deB.get();
        FAIL() << "una espera interrumpida no falló";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), 1317);
        EXPECT_TRUE(e.descripcion().contains(nombre)) << e.texto().toStdString();
    }
}

TEST(BloqueoNombrado, SePierdeConLaSesion) {
    qm::Conexion a = prueba::Conecta();
    qm::Conexion b = prueba::Conecta();
    const QString nombre = Nombre("perdido");
    qm::BloqueoNombrado deA(a, nombre, 0s);
    ASSERT_TRUE(deA.tomado());
    const long long id = IdSesion(a);
    b.Execute(QStringLiteral("KILL CONNECTION %1").arg(id));
    // The connection opens again by itself; the new session holds nothing.
    EXPECT_FALSE(deA.Vigente());
    ASSERT_TRUE(Terminada(b, id));
    const qm::BloqueoNombrado deB(b, nombre, 0s);
    EXPECT_TRUE(deB.tomado());
}

struct CasoNombre {
    const char* caso;
    QString nombre;
    bool igual; // kept as it is
};

class NombreSeguro : public ::testing::TestWithParam<CasoNombre> {};

TEST_P(NombreSeguro, CabeEnElLimiteDelServidorYDistingueLosLargos) {
    const CasoNombre& c = GetParam();
    const QString seguro = qm::BloqueoNombrado::NombreSeguro(c.nombre);
    EXPECT_LE(Letras(seguro), 64);
    if (c.igual) {
        EXPECT_EQ(seguro, c.nombre);
        return;
    }
    EXPECT_EQ(Letras(seguro), 64);
    EXPECT_NE(seguro, c.nombre);
    EXPECT_EQ(qm::BloqueoNombrado::NombreSeguro(c.nombre), seguro); // the same every time
    // The start stays readable; the rest is a hash of the whole name.
    EXPECT_TRUE(c.nombre.startsWith(seguro.left(seguro.indexOf('#')))) << seguro.toStdString();
    // The same name with another last character is another lock.
    const QString otro =
        c.nombre.chopped(c.nombre.back().isLowSurrogate() ? 2 : 1) + QLatin1Char('x');
    ASSERT_NE(otro, c.nombre);
    EXPECT_NE(qm::BloqueoNombrado::NombreSeguro(otro), seguro);
    // The server takes it.
    qm::Conexion cn = prueba::Conecta();
    const qm::BloqueoNombrado bloqueo(cn, c.nombre, 0s);
    EXPECT_TRUE(bloqueo.tomado());
    EXPECT_EQ(bloqueo.nombre(), seguro);
}

const QString Sesenta = QString(60, QLatin1Char('b'));

INSTANTIATE_TEST_SUITE_P(
    Casos, NombreSeguro,
    ::testing::Values(CasoNombre{"vacio", QString(), true},
                      CasoNombre{"corto", "quiltaro.tmpravesta.datos1", true},
                      CasoNombre{"justo", QString(64, QLatin1Char('a')), true},
                      CasoNombre{"uno de mas", QString(65, QLatin1Char('a')), false},
                      CasoNombre{"base larga",
                                 "quiltaro.tmpravesta." + QString(64, QLatin1Char('d')), false},
                      // Characters outside the basic plane count once, as the server counts them,
                      // and are never cut in half.
                      CasoNombre{"64 letras de dos unidades",
                                 QString::fromUtf8("\xF0\x9F\x98\x80").repeated(64), true},
                      CasoNombre{"65 letras de dos unidades",
                                 QString::fromUtf8("\xF0\x9F\x98\x80").repeated(65), false},
                      CasoNombre{"acentos", "quiltaro.tmpravesta.año_" + Sesenta + "ñ", false}),
    [](const ::testing::TestParamInfo<CasoNombre>& info) {
        QString nombre = QString::fromUtf8(info.param.caso);
        nombre.replace(' ', '_');
        return nombre.toStdString();
    });

} // namespace
