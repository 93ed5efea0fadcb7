// The date check when the focus leaves a date field, whichever way it leaves.
#include "tests/app/VentanaPrueba.h"

#include <QDate>
#include <QTest>

namespace prueba {
namespace {

const QString FechaVacia = QStringLiteral("__/__/____");

class Fechas : public VentanaPrueba {
protected:
    void SetUp() override {
        VentanaPrueba::SetUp();
        ASSERT_TRUE(AbreVentana(*instalacion));
    }
    // Types the digits into an emptied date field, which keeps the focus.
    void Escribe(int index, const QString& digitos) {
        CampoEntrada* campo = ventana->mkeFecha[index];
        QTest::mouseClick(campo, Qt::LeftButton);
        campo->clear();
        campo->home(false);
        QTest::keyClicks(campo, digitos);
    }
};

enum class Salida { Tab, MayusTab, ClicEnCliente, ClicEnImprimir, AltI };

struct Caso {
    const char* nombre;
    QString digitos;
    QString escrito; // what the field shows before it is left
    QString despues; // what it holds once left
};

const Caso Casos[] = {
    {"valida", "31122024", "31/12/2024", "31/12/2024"},
    {"bisiesto", "29022024", "29/02/2024", "29/02/2024"},
    {"incompleta", "3112", "31/12/____", FechaVacia},
    {"vacia", "", FechaVacia, FechaVacia},
    {"dia_imposible", "31022024", "31/02/2024", FechaVacia},
    {"mes_trece", "01132024", "01/13/2024", FechaVacia},
};

const Salida Salidas[] = {Salida::Tab, Salida::MayusTab, Salida::ClicEnCliente,
                          Salida::ClicEnImprimir, Salida::AltI};

TEST_F(Fechas, AlSalirUnaFechaValidaQuedaYLasDemasSeVacianYElFocoSiempreSeMueve) {
    for (const Salida salida : Salidas) {
        for (int index : {0, 1}) {
            for (const Caso& caso : Casos) {
                SCOPED_TRACE(::testing::Message() << caso.nombre << ", campo " << index
                                                  << ", salida " << static_cast<int>(salida));
                Escribe(index, caso.digitos);
                ASSERT_EQ(ventana->Texto(index), caso.escrito);
                ASSERT_EQ(Foco(), ventana->mkeFecha[index]);
                const std::size_t clicsAntes = ventana->clics.size();
                QWidget* destino = nullptr;
                switch (salida) {
                case Salida::Tab:
                    destino = index == 0 ? ventana->mkeFecha[1] : ventana->txtCliente;
                    QTest::keyClick(Foco(), Qt::Key_Tab);
                    break;
                case Salida::MayusTab:
                    destino = index == 0 ? static_cast<QWidget*>(ventana->cmdImprimir)
                                         : ventana->mkeFecha[0];
                    QTest::keyClick(Foco(), Qt::Key_Tab, Qt::ShiftModifier);
                    break;
                case Salida::ClicEnCliente:
                    destino = ventana->txtCliente;
                    QTest::mouseClick(ventana->txtCliente, Qt::LeftButton);
                    break;
                case Salida::ClicEnImprimir:
                    destino = ventana->cmdImprimir;
                    QTest::mouseClick(ventana->cmdImprimir, Qt::LeftButton);
                    break;
                case Salida::AltI:
                    destino = ventana->cmdImprimir;
                    QTest::keyClick(Foco(), Qt::Key_I, Qt::AltModifier);
                    break;
                }
                if (salida == Salida::ClicEnImprimir || salida == Salida::AltI) {
                    // Print runs once, and only after the field was checked.
                    ASSERT_TRUE(EsperaHasta([&] { return ventana->clics.size() > clicsAntes; }));
                    EXPECT_EQ(ventana->clics.back()[index], caso.despues);
                    EXPECT_EQ(ventana->clics.size(), clicsAntes + 1);
                }
                EXPECT_EQ(Foco(), destino);
                EXPECT_EQ(ventana->Texto(index), caso.despues);
            }
        }
    }
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Fechas, UnaFechaVaciadaSigueAceptandoUnaFechaNueva) {
    Escribe(0, QStringLiteral("3102"));
    QTest::keyClick(Foco(), Qt::Key_Tab);
    ASSERT_EQ(ventana->Texto(0), FechaVacia);
    Escribe(0, QStringLiteral("01012025"));
    QTest::keyClick(Foco(), Qt::Key_Tab);
    EXPECT_EQ(ventana->Texto(0), QStringLiteral("01/01/2025"));
}

TEST_F(Fechas, CerrarLaVentanaConElFocoEnUnaFechaNoLaRevisa) {
    Escribe(1, QStringLiteral("311"));
    ASSERT_EQ(Foco(), ventana->mkeFecha[1]);
    CierraVentana();
    EXPECT_EQ(ventana->Texto(1), QStringLiteral("31/1_/____"));
    EXPECT_TRUE(ventana->terminado());
    EXPECT_EQ(salidas, std::vector<int>{0});
}

TEST_F(Fechas, ElClienteNuncaSeVaciaNiRetieneElFoco) {
    QTest::mouseClick(ventana->txtCliente, Qt::LeftButton);
    QTest::keyClicks(ventana->txtCliente, QStringLiteral("31/02"));
    QTest::keyClick(Foco(), Qt::Key_Tab);
    EXPECT_EQ(Foco(), ventana->cmdImprimir);
    EXPECT_EQ(ventana->txtCliente->text(), QStringLiteral("31/02"));
}

} // namespace
} // namespace prueba
