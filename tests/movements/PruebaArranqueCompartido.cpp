// Several copies of the program on one host database share its working copy: their start-ups
// and exits run at once on connections of their own, under the named lock.
#include "host/Error.h"
#include "tests/movements/CopiaCompartida.h"

#include <barrier>
#include <gtest/gtest.h>

namespace prueba {
namespace {

using namespace std::chrono_literals;

TEST(ArranqueCompartido, DosArranquesALaVez) {
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

TEST(ArranqueCompartido, ElArranqueEsperaALaCopiaQueTieneLaTabla) {
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

TEST(ArranqueCompartido, UnArranqueQueNoAlcanzaLaTablaFallaCon1205) {
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

TEST(ArranqueCompartido, LaSalidaNoEsperaDeMasYDejaLaTablaASuDueno) {
    Compartida compartida;
    Copia a{compartida};
    Copia b{compartida};
    compartida.Marca();
    const movimientos::BloqueoCopia bloqueo(a.cn, 0s);
    ASSERT_TRUE(bloqueo.tomado());
    EXPECT_FALSE(b.Sale(1s));
    EXPECT_TRUE(compartida.Marcada());
}

} // namespace
} // namespace prueba
