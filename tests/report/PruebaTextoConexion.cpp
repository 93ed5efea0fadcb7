#include "host/BasesDD.h"
#include "report/Odbc.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct CasoConexion {
    const char* nombre;
    QString servidor, base, usuario, password;
    QString esperado;
};

void PrintTo(const CasoConexion& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteTextoConexion : public ::testing::TestWithParam<CasoConexion> {};

TEST_P(ReporteTextoConexion, ComoLoRecibeElDriver) {
    const CasoConexion& c = GetParam();
    qm::BasesDD b;
    b.cRuta = c.servidor;
    b.cMiBase = c.base;
    b.cUsuario = c.usuario;
    b.cPassword = c.password;
    b.cPuerto = 3307;
    EXPECT_EQ(modRPTs::TextoConexion(b).toStdString(), c.esperado.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ReporteTextoConexion,
    ::testing::Values(
        CasoConexion{"comun", "h", "d", "u", "p", "SERVER=h;DB=d;UID=u;PWD=p;"},
        CasoConexion{"todoVacio", "", "", "", "", "SERVER=;DB=;UID=;PWD=;"},
        CasoConexion{"sinPassword", "127.0.0.1", "datos1", "quil", "",
                     "SERVER=127.0.0.1;DB=datos1;UID=quil;PWD=;"},
        CasoConexion{"igualSinLlaves", "h", "d", "u", "pa=ss", "SERVER=h;DB=d;UID=u;PWD=pa=ss;"},
        CasoConexion{"acentos", "h", "año", "niño", "contraseña",
                     "SERVER=h;DB=año;UID=niño;PWD=contraseña;"},
        CasoConexion{"blancoEnMedio", "h", "d", "u", "dos palabras",
                     "SERVER=h;DB=d;UID=u;PWD=dos palabras;"},
        CasoConexion{"puntoYComa", "h", "d", "u", "pa;ss=1", "SERVER=h;DB=d;UID=u;PWD={pa;ss=1};"},
        CasoConexion{"llaveQueCierra", "h", "d", "u", "pa;ss=1}x",
                     "SERVER=h;DB=d;UID=u;PWD={pa;ss=1}}x};"},
        CasoConexion{"llaveQueAbre", "h", "d", "u", "{abc", "SERVER=h;DB=d;UID=u;PWD={{abc};"},
        CasoConexion{"blancosEnLosExtremos", "h", "d", " u", "p ",
                     "SERVER=h;DB=d;UID={ u};PWD={p };"},
        CasoConexion{"cadaValor", "h;1", "d;b", "u}", "p",
                     "SERVER={h;1};DB={d;b};UID={u}}};PWD=p;"}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
