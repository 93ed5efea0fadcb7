// The preview window: opened by a run to the screen, non-modal, navigable, and able to save
// the same pages as a PDF (directly and through QUILTARO_VISTA_PDF).
#include "ApoyoMotor.h"
#include "reportengine/ErroresMotor.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/support/EntornoPrueba.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
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
    m.PonSolicitud({QDate(2026, 11, 1), QDate(2026, 11, 30), QString()});
    Corre(m);
    motor::VistaPrevia* v = m.ultimaVista();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->windowModality(), Qt::NonModal);
    const QString solicitud = QStringLiteral("Del 01/11/2026 al 30/11/2026 · Todos los clientes");
    EXPECT_EQ(v->windowTitle(),
              QStringLiteral("Vista previa - Reporte de movimientos de clientes - ") + solicitud);
    QStringList botones;
    for (const QAbstractButton* b : v->findChildren<QAbstractButton*>())
        botones << b->text();
    EXPECT_TRUE(botones.contains(QStringLiteral("&Imprimir…")));
    EXPECT_TRUE(botones.contains(QStringLiteral("&Guardar PDF…")));
    EXPECT_TRUE(botones.contains(QStringLiteral("&Exportar Excel…")));
    EXPECT_TRUE(botones.contains(QStringLiteral("Exportar &CSV…")));
    EXPECT_TRUE(botones.contains(QStringLiteral("Es&tados de cuenta…")));

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
    // The request under the title of every page.
    EXPECT_EQ(t.count(solicitud), v->paginas());
}

TEST_F(Vista, LaVariableGuardaLoQueSeMuestra) {
    const QString pdf = dir_.filePath(QStringLiteral("demo.pdf"));
    qputenv("QUILTARO_VISTA_PDF", QFile::encodeName(pdf));
    motor::MotorReporte m;
    m.PonSolicitud({QDate(), QDate(2026, 11, 30), QStringLiteral("C001")});
    Corre(m);
    ASSERT_NE(m.ultimaVista(), nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    const QString t = prueba::TextoPdf(pdf);
    EXPECT_TRUE(t.contains(QStringLiteral("Reporte de movimientos de clientes")));
    EXPECT_TRUE(t.contains(QStringLiteral("Desde el inicio al 30/11/2026 · Cliente C001")));
    EXPECT_TRUE(m.ultimaVista()->windowTitle().endsWith(QStringLiteral(" · Cliente C001")));
}

TEST_F(Vista, OtraCorridaReemplazaLaVista) {
    motor::MotorReporte m;
    Corre(m);
    QPointer<motor::VistaPrevia> primera = m.ultimaVista();
    Corre(m);
    EXPECT_TRUE(primera.isNull());
    EXPECT_NE(m.ultimaVista(), nullptr);
}

// The page's width against the width the window gives it.
struct Anchos {
    int hoja;
    int visible;
    int desplazamiento; // how far the horizontal scroll bar can go
};
Anchos MideAnchos(motor::VistaPrevia* v) {
    QApplication::processEvents();
    auto* area = v->findChild<QScrollArea*>();
    return {area->widget()->width(), area->viewport()->width(),
            area->horizontalScrollBar()->maximum()};
}

TEST_F(Vista, AbreAjustadaAlAnchoDeLaPagina) {
    motor::MotorReporte m;
    Corre(m);
    motor::VistaPrevia* v = m.ultimaVista();
    ASSERT_NE(v, nullptr);
    // A 1024-pixel screen leaves about 1000 pixels for the window; its buttons fit in less.
    QApplication::processEvents();
    EXPECT_LE(v->minimumSizeHint().width(), 900);
    for (const int ancho : {1000, 900, 1400}) {
        v->resize(ancho, 700);
        EXPECT_EQ(v->width(), ancho);
        const Anchos a = MideAnchos(v);
        EXPECT_TRUE(v->ajustada());
        EXPECT_LE(a.hoja, a.visible) << ancho;
        EXPECT_GE(a.hoja, a.visible * 9 / 10) << ancho;
        EXPECT_EQ(a.desplazamiento, 0) << ancho;
    }
    v->Acerca();
    EXPECT_FALSE(v->ajustada());
    EXPECT_GT(MideAnchos(v).desplazamiento, 0);
    v->AjustaAlAncho();
    EXPECT_EQ(MideAnchos(v).desplazamiento, 0);
}

void Activa(QWidget* v) {
    v->show();
    v->activateWindow();
    QApplication::setActiveWindow(v);
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
}

struct Tecla {
    Qt::Key tecla;
    Qt::KeyboardModifiers modificadores;
    int pagina; // -1 for the last
};

TEST_F(Vista, TeclasDePaginaYZoom) {
    motor::MotorReporte m;
    Corre(m);
    motor::VistaPrevia* v = m.ultimaVista();
    ASSERT_NE(v, nullptr);
    ASSERT_GT(v->paginas(), 2);
    Activa(v);
    const std::vector<Tecla> teclas{
        {Qt::Key_PageDown, Qt::NoModifier, 1},  {Qt::Key_PageDown, Qt::NoModifier, 2},
        {Qt::Key_PageUp, Qt::NoModifier, 1},    {Qt::Key_End, Qt::NoModifier, -1},
        {Qt::Key_PageDown, Qt::NoModifier, -1}, {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_PageUp, Qt::NoModifier, 0}};
    for (const Tecla& t : teclas) {
        QTest::keyClick(v, t.tecla, t.modificadores);
        EXPECT_EQ(v->pagina(), t.pagina < 0 ? v->paginas() - 1 : t.pagina) << t.tecla;
    }
    const double ajustado = v->zoom();
    QTest::keyClick(v, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(v->zoom(), ajustado);
    QTest::keyClick(v, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(v, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(v->zoom(), ajustado);
    QTest::keyClick(v, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(v->zoom(), ajustado);
}

TEST_F(Vista, EscapeYCtrlWLaCierran) {
    motor::MotorReporte m;
    Corre(m);
    for (const QKeySequence& teclas :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        motor::VistaPrevia* v = m.ultimaVista();
        ASSERT_NE(v, nullptr);
        Activa(v);
        QTest::keySequence(v, teclas);
        QTRY_VERIFY_WITH_TIMEOUT(!v->isVisible(), 5000);
    }
}

// A key that opens a dialog: its title, and the file the dialog is given (empty: cancel).
struct Dialogo {
    const char* nombre;
    Qt::Key tecla;
    Qt::KeyboardModifiers modificadores;
    const char* titulo;
    const char* archivo;
    std::function<bool(const QString&)> revisa; // what the file must hold
    QStringList botones;                        // some of its buttons, without their "&"
};

class VistaDialogo : public Vista, public ::testing::WithParamInterface<Dialogo> {};

TEST_P(VistaDialogo, AbreSuDialogo) {
    const Dialogo& d = GetParam();
    motor::MotorReporte m;
    Corre(m);
    motor::VistaPrevia* v = m.ultimaVista();
    ASSERT_NE(v, nullptr);
    Activa(v);
    const QString ruta = d.archivo[0] ? dir_.filePath(QString::fromUtf8(d.archivo)) : QString();
    QString titulo;
    QStringList botones;
    int minima = 0, maxima = 0;
    bool actual = false;
    QPageSize::PageSizeId papel = QPageSize::Custom;
    QPageLayout::Orientation orientacion = QPageLayout::Portrait;
    bool visto = false;
    // The dialog is modal: look at it from the event loop it runs. The timer ends with the test.
    QTimer mira;
    mira.setInterval(20);
    QObject::connect(&mira, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        mira.stop();
        visto = true;
        titulo = modal->windowTitle();
        for (const QPushButton* b : modal->findChildren<QPushButton*>())
            botones << b->text().remove(QLatin1Char('&'));
        if (auto* impresion = qobject_cast<QPrintDialog*>(modal)) {
            // It knows the pages, offers the one on screen and opens on the report's paper.
            minima = impresion->minPage();
            maxima = impresion->maxPage();
            actual = impresion->testOption(QAbstractPrintDialog::PrintCurrentPage);
            papel = impresion->printer()->pageLayout().pageSize().id();
            orientacion = impresion->printer()->pageLayout().orientation();
        }
        if (auto* archivo = qobject_cast<QFileDialog*>(modal); archivo && !ruta.isEmpty()) {
            // Typed into the name box, as a user does: selectFile() leaves the box alone once
            // it has the focus, which it takes when the dialog becomes active.
            auto* nombre = archivo->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!nombre) {
                ADD_FAILURE() << "the file dialog has no name box";
                archivo->reject();
                return;
            }
            nombre->setText(ruta);
            QMetaObject::invokeMethod(archivo, "accept", Qt::QueuedConnection);
        } else if (auto* dialogo = qobject_cast<QDialog*>(modal)) {
            dialogo->reject();
        }
    });
    mira.start();
    QTest::keyClick(v, d.tecla, d.modificadores);
    // A button's mnemonic clicks it from a timer, and the dialog closes from a queued call: wait
    // until it is gone and the file is in place (it appears only whole).
    QTRY_VERIFY_WITH_TIMEOUT(visto && !QApplication::activeModalWidget() &&
                                 (ruta.isEmpty() || QFile::exists(ruta)),
                             60000);
    EXPECT_EQ(titulo, QString::fromUtf8(d.titulo));
    // Qt's own buttons in Spanish.
    for (const QString& b : d.botones)
        EXPECT_TRUE(botones.contains(b))
            << b.toStdString() << ": " << botones.join(' ').toStdString();
    if (d.tecla == Qt::Key_P) {
        EXPECT_EQ(minima, 1);
        EXPECT_EQ(maxima, v->paginas());
        EXPECT_TRUE(actual);
        EXPECT_EQ(papel, QPageSize::Letter);
        EXPECT_EQ(orientacion, QPageLayout::Landscape);
    }
    if (!ruta.isEmpty()) {
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{QString::fromUtf8(d.archivo), QStringLiteral("quiltaro.rpt")}));
        EXPECT_TRUE(d.revisa(QString::fromUtf8(prueba::LeeArchivo(ruta)))) << d.nombre;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Teclas, VistaDialogo,
    ::testing::Values(
        Dialogo{"ctrlSGuardaPdf",
                Qt::Key_S,
                Qt::ControlModifier,
                "Guardar PDF",
                "a.pdf",
                [](const QString& t) { return t.startsWith(QStringLiteral("%PDF")); },
                {"Guardar", "Cancelar"}},
        Dialogo{"altEExportaExcel",
                Qt::Key_E,
                Qt::AltModifier,
                "Exportar Excel",
                "a.xlsx",
                [](const QString& t) { return t.startsWith(QStringLiteral("PK")); },
                {}},
        Dialogo{"altCExportaCsv",
                Qt::Key_C,
                Qt::AltModifier,
                "Exportar CSV",
                "a.csv",
                [](const QString& t) { return t.contains(QStringLiteral("P-119")); },
                {}},
        Dialogo{"ctrlPImprime",
                Qt::Key_P,
                Qt::ControlModifier,
                "Imprimir",
                "",
                {},
                {"Imprimir", "Cancelar"}},
        Dialogo{"altTEstados", Qt::Key_T, Qt::AltModifier, "Estados de cuenta", "", {}, {}},
        Dialogo{"altOEnviaPorCorreo",
                Qt::Key_O,
                Qt::AltModifier,
                "Enviar por correo",
                "",
                {},
                {"Enviar", "Enviar una prueba", "Vista previa del correo",
                 "Reintentar los que fallaron", "Correo saliente…", "Abrir Correos.csv"}}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(Vista, MuestraLasPaginasMientrasPrepara) {
    std::vector<prueba::Movimiento> filas;
    for (int i = 0; i < 6000; ++i)
        filas.push_back({"C02", "2024-03-02", "11:00:00", "Pago", QStringLiteral("Q-%1").arg(i), 0,
                         0, 1, 0, -1});
    datos_.Movimientos(filas);
    QStringList vistos;
    QTimer reloj;
    reloj.setInterval(0);
    QObject::connect(&reloj, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* v = qobject_cast<motor::VistaPrevia*>(w); v && v->isVisible())
                vistos << v->indicador();
        }
    });
    reloj.start();
    motor::MotorReporte m;
    Corre(m);
    reloj.stop();
    const QStringList avances =
        vistos.filter(QRegularExpression(QStringLiteral("^Preparando… \\d+ páginas")));
    EXPECT_FALSE(avances.isEmpty()) << vistos.join(QLatin1Char('\n')).toStdString();
    ASSERT_NE(m.ultimaVista(), nullptr);
    EXPECT_TRUE(m.ultimaVista()->indicador().startsWith(QStringLiteral("Página 1 de ")));
    // The longest progress text does not widen the window past a small screen.
    m.ultimaVista()->Avanza(12345, 999999, 1000000);
    QApplication::processEvents();
    EXPECT_LE(m.ultimaVista()->minimumSizeHint().width(), 900);
}

TEST_F(Vista, UnaFallaAlLeerNoDejaLaVistaAbierta) {
    motor::MotorReporte m;
    m.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".noexiste"));
    try {
        m.Propiedad(p::ArchivoReporte, plantilla_);
        m.Propiedad(p::Conexion, datos_.textoConexion());
        m.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m.Propiedad(p::Destino, 0);
        m.Propiedad(p::Accion, 1);
        FAIL() << "sin error";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::FaltaTablaOColumna);
    }
    EXPECT_EQ(m.ultimaVista(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<motor::VistaPrevia*>(w) && w->isVisible());
}

} // namespace
