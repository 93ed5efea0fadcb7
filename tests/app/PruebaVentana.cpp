// The window as the user first meets it: texts, layout, focus and the tab order.
#include "tests/app/VentanaPrueba.h"

#include <QDate>
#include <QFontInfo>
#include <QTest>

namespace prueba {
namespace {

class Ventana : public VentanaPrueba {
protected:
    void SetUp() override {
        VentanaPrueba::SetUp();
        ASSERT_TRUE(AbreVentana(*instalacion));
    }
};

TEST_F(Ventana, PrimeraVistaConFechasDeHoyClienteVacioYFocoEnLaFechaInicial) {
    const QString hoy = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(ventana->Texto(0), hoy);
    EXPECT_EQ(ventana->Texto(1), hoy);
    EXPECT_EQ(ventana->FormatoFecha(0), QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(ventana->mkeFecha[1]->inputMask(), QStringLiteral("99/99/9999;_"));
    EXPECT_EQ(ventana->txtCliente->text(), QString());
    EXPECT_FALSE(ventana->Label4->isVisible());
    EXPECT_EQ(ventana->Label4->Caption(), QString());
    EXPECT_EQ(Foco(), ventana->mkeFecha[0]);
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Ventana, TituloYEstadoExactos) {
    EXPECT_EQ(ventana->windowTitle(),
              QStringLiteral("Reporte de movimientos de clientes      1.0.0"));
    const QString estado = QStringLiteral(" Servidor: ") + Servidor().servidor + QChar(13) +
                           QStringLiteral("  Base de datos: ") + base->nombre();
    EXPECT_EQ(ventana->Label3->Caption(), estado);
    // Shown on two lines.
    EXPECT_EQ(ventana->Label3->text(), QString(estado).replace(QChar(13), QChar(10)));
    EXPECT_EQ(ventana->Label3->palette().color(QPalette::Window), QColor(224, 243, 254));
}

TEST_F(Ventana, ControlesEnSuLugarConSusTextos) {
    struct Caso {
        QWidget* control;
        QRect lugar;
    };
    const Caso casos[] = {
        {ventana->Label3, {72, 8, 353, 49}},        {ventana->Label2, {72, 80, 78, 16}},
        {ventana->mkeFecha[0], {200, 80, 89, 19}},  {ventana->Label1[1], {72, 128, 68, 16}},
        {ventana->mkeFecha[1], {200, 128, 89, 19}}, {ventana->Label1[0], {72, 168, 44, 16}},
        {ventana->txtCliente, {200, 168, 137, 24}}, {ventana->Label4, {32, 208, 433, 41}},
        {ventana->cmdImprimir, {384, 280, 81, 33}},
    };
    for (const Caso& caso : casos)
        EXPECT_EQ(caso.control->geometry(), caso.lugar) << caso.control->objectName().toStdString();
    EXPECT_EQ(ventana->size(), QSize(496, 337));
    EXPECT_EQ(ventana->Label2->Caption(), QStringLiteral("Fecha inicial:"));
    EXPECT_EQ(ventana->Label1[1]->Caption(), QStringLiteral("Fecha final:"));
    EXPECT_EQ(ventana->Label1[0]->Caption(), QStringLiteral("Cliente:"));
    EXPECT_EQ(ventana->cmdImprimir->text(), QStringLiteral("&Imprimir"));
    EXPECT_FALSE(ventana->cmdImprimir->isDefault());
    const QFont fuente = ventana->txtCliente->font();
    EXPECT_TRUE(fuente.pixelSize() == 13 || fuente.pointSizeF() == 9.75);
    EXPECT_FALSE(fuente.bold());
}

TEST_F(Ventana, LosTextosCabenEnSusControles) {
    const Etiqueta* etiquetas[] = {ventana->Label2, ventana->Label1[0], ventana->Label1[1]};
    for (const Etiqueta* etiqueta : etiquetas) {
        const QFontMetrics medidas(etiqueta->font());
        EXPECT_LE(medidas.horizontalAdvance(etiqueta->text()), etiqueta->width())
            << etiqueta->Caption().toStdString() << " in "
            << QFontInfo(etiqueta->font()).family().toStdString();
    }
    const QFontMetrics medidas(ventana->mkeFecha[0]->font());
    EXPECT_LT(medidas.horizontalAdvance(QStringLiteral("00/00/0000")),
              ventana->mkeFecha[0]->width() - 6);
}

TEST_F(Ventana, TabYMayusTabRecorrenSoloLosCuatroControles) {
    const std::vector<QWidget*> orden = {ventana->mkeFecha[0], ventana->mkeFecha[1],
                                         ventana->txtCliente, ventana->cmdImprimir};
    for (int vuelta = 0; vuelta < 8; ++vuelta) {
        ASSERT_EQ(Foco(), orden[vuelta % 4]) << "Tab " << vuelta;
        QTest::keyClick(Foco(), Qt::Key_Tab);
    }
    for (int vuelta = 8; vuelta > 0; --vuelta) {
        ASSERT_EQ(Foco(), orden[vuelta % 4]) << "Shift+Tab " << vuelta;
        QTest::keyClick(Foco(), Qt::Key_Tab, Qt::ShiftModifier);
    }
    EXPECT_EQ(Foco(), orden[0]);
}

TEST_F(Ventana, UnUndecimoCaracterSeRechaza) {
    ventana->txtCliente->setFocus();
    QTest::keyClicks(ventana->txtCliente, QStringLiteral("ABCDEFGHIJK"));
    EXPECT_EQ(ventana->txtCliente->text(), QStringLiteral("ABCDEFGHIJ"));
}

TEST_F(Ventana, AbajoArribaYEnterMuevenElFocoComoLaBibliotecaDice) {
    QTest::keyClick(Foco(), Qt::Key_Down);
    EXPECT_EQ(Foco(), ventana->mkeFecha[1]);
    QTest::keyClick(Foco(), Qt::Key_Return);
    EXPECT_EQ(Foco(), ventana->txtCliente);
    QTest::keyClick(Foco(), Qt::Key_Up);
    EXPECT_EQ(Foco(), ventana->mkeFecha[1]);
    // Dates stay as they were: the keys were taken, not typed.
    EXPECT_EQ(ventana->Texto(1), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
}

TEST_F(Ventana, EnterYEspacioPulsanElBotonConFocoYEnLosCamposSoloMuevenElFoco) {
    struct Caso {
        const char* nombre;
        Qt::Key tecla;
        std::size_t clics; // Print runs once the focus has reached the button
    };
    const Caso casos[] = {
        {"Enter", Qt::Key_Return, 1},
        {"Enter del teclado numerico", Qt::Key_Enter, 1},
        {"Espacio", Qt::Key_Space, 1},
        {"Tabulador", Qt::Key_Tab, 0},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        ventana->clics.clear();
        ventana->mkeFecha[0]->setFocus(Qt::OtherFocusReason);
        // Through the three fields the key never presses the button: it is no default button.
        const QWidget* campos[] = {ventana->mkeFecha[0], ventana->mkeFecha[1], ventana->txtCliente};
        for (const QWidget* campo : campos) {
            ASSERT_EQ(Foco(), campo);
            QTest::keyClick(Foco(), caso.tecla == Qt::Key_Enter ? Qt::Key_Enter : Qt::Key_Return);
        }
        EXPECT_TRUE(ventana->clics.empty());
        ASSERT_EQ(Foco(), ventana->cmdImprimir);
        QTest::keyClick(Foco(), caso.tecla);
        EXPECT_EQ(ventana->clics.size(), caso.clics);
    }
    EXPECT_FALSE(ventana->cmdImprimir->isDefault());
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Ventana, AlEntrarEnUnCampoSeResaltaSuTexto) {
    ventana->txtCliente->setFocus();
    QTest::keyClicks(ventana->txtCliente, QStringLiteral("C001"));
    QTest::keyClick(Foco(), Qt::Key_Tab);
    QTest::keyClick(Foco(), Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(Foco(), ventana->txtCliente);
    EXPECT_EQ(ventana->txtCliente->selectedText(), QStringLiteral("C001"));
    QTest::keyClick(Foco(), Qt::Key_Up);
    QTest::keyClick(Foco(), Qt::Key_Up);
    ASSERT_EQ(Foco(), ventana->mkeFecha[0]);
    EXPECT_EQ(ventana->mkeFecha[0]->selectedText(), ventana->Texto(0));
}

} // namespace
} // namespace prueba
