#include "host/Error.h"
#include "report/Plantilla.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct CasoCambio {
    const char* nombre;
    QString tabla;
    QString lista;
    QString resultado; // the name afterwards
    bool coincide;
};

void PrintTo(const CasoCambio& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteCambiaTabla : public ::testing::TestWithParam<CasoCambio> {};

TEST_P(ReporteCambiaTabla, Renombra) {
    QString tabla = GetParam().tabla;
    EXPECT_EQ(modRPTs::CambiaTabla(tabla, GetParam().lista, "datos1"), GetParam().coincide);
    EXPECT_EQ(tabla, GetParam().resultado);
}

INSTANTIATE_TEST_SUITE_P(
    Listas, ReporteCambiaTabla,
    ::testing::Values(
        CasoCambio{"ejemplo", "trevantoreportes.ravesta", "ravesta*tmpravesta", "datos1.tmpravesta",
                   true},
        CasoCambio{"otraTabla", "clientes", "ravesta*tmpravesta", "clientes", false},
        CasoCambio{"sinPrefijo", "ravesta", "ravesta*tmpravesta", "datos1.tmpravesta", true},
        CasoCambio{"noEsSufijo", "ravesta2", "ravesta*tmpravesta", "ravesta2", false},
        CasoCambio{"prefijoPropio", "somedb.ravesta", "somedb.ravesta*tmpravesta",
                   "datos1.tmpravesta", true},
        CasoCambio{"prefijoMayusculas", "SomeDB.RaVesta", "somedb.ravesta*tmpravesta",
                   "datos1.tmpravesta", true},
        CasoCambio{"prefijoAjeno", "otherdb.ravesta", "somedb.ravesta*tmpravesta",
                   "otherdb.ravesta", false},
        CasoCambio{"prefijoSinBaseEnTabla", "ravesta", "somedb.ravesta*tmpravesta", "ravesta",
                   false},
        CasoCambio{"blancosYMayusculas", "ravesta", " RaVesta * TmpRavesta ", "datos1.tmpravesta",
                   true},
        CasoCambio{"tablaEnMayusculas", "TREVANTOREPORTES.RAVESTA", "ravesta*tmpravesta",
                   "datos1.tmpravesta", true},
        CasoCambio{"nuevoConPunto", "ravesta", "ravesta*.tmpravesta", "datos1.tmpravesta", true},
        CasoCambio{"segundoElemento", "x.clientes", "ravesta*tmpravesta;clientes*tmpclientes",
                   "datos1.tmpclientes", true},
        CasoCambio{"primeroGana", "ravesta", "ravesta*uno;ravesta*dos", "datos1.uno", true},
        CasoCambio{"vacioNoAlcanzado", "trevantoreportes.ravesta", "ravesta*tmpravesta;",
                   "datos1.tmpravesta", true},
        CasoCambio{"dosPuntosSinCoincidir", "a.b.c", "c*nueva", "a.b.c", false},
        CasoCambio{"dosPuntosRestoEntero", "a.b.c", "b.c*nueva", "a.b.c", false},
        CasoCambio{"dosPuntosNombreEntero", "A.b.C", "a.b.c*nueva", "datos1.nueva", true}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoInvalido {
    const char* nombre;
    QString tabla;
    QString lista;
};

void PrintTo(const CasoInvalido& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteCambiaTablaInvalida : public ::testing::TestWithParam<CasoInvalido> {};

TEST_P(ReporteCambiaTablaInvalida, FallaAlLlegarYDejaElNombre) {
    QString tabla = GetParam().tabla;
    try {
        modRPTs::CambiaTabla(tabla, GetParam().lista, "datos1");
        FAIL() << "an item without \"*\" was accepted";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
    }
    EXPECT_EQ(tabla, GetParam().tabla);
}

INSTANTIATE_TEST_SUITE_P(
    Listas, ReporteCambiaTablaInvalida,
    ::testing::Values(CasoInvalido{"vacioAlcanzado", "clientes", "ravesta*tmpravesta;"},
                      CasoInvalido{"sinEstrella", "ravesta", "ravesta=tmpravesta"},
                      CasoInvalido{"unBlanco", "ravesta", " "}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
