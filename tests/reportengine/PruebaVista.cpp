// The preview window: opened by a run to the screen, non-modal, navigable, and able to save
// the same pages as a PDF (directly and through QUILTARO_VISTA_PDF).
#include "ApoyoMotor.h"
#include "reportengine/MotorReporte.h"
#include "reportengine/VistaPrevia.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

namespace p = motor::propiedad;

class Vista : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        plantilla_ = prueba::EscribeMovimientos(dir_.path());
        ASSERT_FALSE(plantilla_.isEmpty());
        datos_.Cliente(QStringLiteral("C01"), QStringLiteral("Cliente uno"));
        std::vector<prueba::Movimiento> filas;
        for (int i = 0; i < 120; ++i)
            filas.push_back({"C01", "2024-03-01",
                             QStringLiteral("10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')),
                             "Pago", QStringLiteral("P-%1").arg(i), 0, 0, 1, 120.0 - i, 119.0 - i});
        datos_.Movimientos(filas);
    }
    void TearDown() override { qunsetenv("QUILTARO_VISTA_PDF"); }

    void Corre(motor::MotorReporte& m) {
        m.Propiedad(p::ArchivoReporte, plantilla_);
        m.Propiedad(p::Conexion, datos_.textoConexion());
        m.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
        m.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m.Propiedad(p::Destino, 0);
        m.Propiedad(p::Accion, 1);
    }

    QTemporaryDir dir_;
    QString plantilla_;
    prueba::DatosReporte datos_;
};

TEST_F(Vista, UnaCorridaAPantallaAbreLaVistaNoModal) {
    motor::MotorReporte m;
    Corre(m);
    motor::VistaPrevia* v = m.ultimaVista();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->windowModality(), Qt::NonModal);
    EXPECT_TRUE(v->windowTitle().startsWith(QStringLiteral("Vista previa")));
    QStringList botones;
    for (const QPushButton* b : v->findChildren<QPushButton*>())
        botones << b->text();
    EXPECT_TRUE(botones.contains(QStringLiteral("&Imprimir…")));
    EXPECT_TRUE(botones.contains(QStringLiteral("&Guardar PDF…")));

    ASSERT_GT(v->paginas(), 1);
    v->IrAPagina(v->paginas() + 5);
    EXPECT_EQ(v->pagina(), v->paginas() - 1);
    v->IrAPagina(-3);
    EXPECT_EQ(v->pagina(), 0);
    const double antes = v->zoom();
    v->Acerca();
    EXPECT_GT(v->zoom(), antes);
    v->Aleja();
    v->Aleja();
    EXPECT_LT(v->zoom(), antes);
    QApplication::processEvents();

    const QString pdf = dir_.filePath(QStringLiteral("vista.pdf"));
    v->GuardaPdf(pdf);
    const QString t = prueba::TextoPdf(pdf);
    EXPECT_TRUE(t.contains(QStringLiteral("Cliente uno")));
    EXPECT_TRUE(t.contains(QStringLiteral("P-119")));
    EXPECT_TRUE(t.contains(QStringLiteral("Página 1 de %1").arg(v->paginas())));
}

TEST_F(Vista, LaVariableGuardaLoQueSeMuestra) {
    const QString pdf = dir_.filePath(QStringLiteral("demo.pdf"));
    qputenv("QUILTARO_VISTA_PDF", QFile::encodeName(pdf));
    motor::MotorReporte m;
    Corre(m);
    ASSERT_NE(m.ultimaVista(), nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(
        prueba::TextoPdf(pdf).contains(QStringLiteral("Reporte de movimientos de clientes")));
}

TEST_F(Vista, OtraCorridaReemplazaLaVista) {
    motor::MotorReporte m;
    Corre(m);
    QPointer<motor::VistaPrevia> primera = m.ultimaVista();
    Corre(m);
    EXPECT_TRUE(primera.isNull());
    EXPECT_NE(m.ultimaVista(), nullptr);
}

} // namespace
