// The customer's name shown while the code is typed.
#include "tests/app/VentanaPrueba.h"
#include "tests/support/ProxySilencioso.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <iostream>

namespace prueba {
namespace {

// Generous: a message waits for the typing to pause, a server that answers again is noticed
// within a second or two.
constexpr int PlazoPrueba = 30000;

class Busqueda : public VentanaPrueba {
protected:
    void SetUp() override {
        VentanaPrueba::SetUp();
        ASSERT_TRUE(AbreVentana(*instalacion));
        QTest::mouseClick(ventana->txtCliente, Qt::LeftButton);
    }
    // The name on display, "" when the name area is hidden.
    QString Nombre() const {
        EXPECT_EQ(ventana->Label4->isVisible(), ventana->Label4->Caption() != QString());
        return ventana->Label4->isVisible() ? ventana->Label4->Caption() : QString();
    }
    // Types the text one character at a time, giving the name shown after each.
    std::vector<QString> Teclea(const QString& texto) {
        std::vector<QString> nombres;
        for (const QChar caracter : texto) {
            QTest::keyClicks(ventana->txtCliente, QString(caracter));
            nombres.push_back(Nombre());
        }
        return nombres;
    }
};

TEST_F(Busqueda, AlTeclearSeVenOtrosClientesDePasoYAlFinalElCorrecto) {
    const std::vector<QString> esperados = {QString(), QStringLiteral("Prefijo Dos"), QString(),
                                            QStringLiteral("Ana Pérez Núñez")};
    EXPECT_EQ(Teclea(QStringLiteral("C001")), esperados);
    EXPECT_EQ(ventana->Label4->text(), QStringLiteral("Ana Pérez Núñez"));
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Busqueda, BorrarTodoOcultaElNombreSinConsultar) {
    Teclea(QStringLiteral("C0"));
    ASSERT_EQ(Nombre(), QStringLiteral("Prefijo Dos"));
    QTest::keyClick(ventana->txtCliente, Qt::Key_Backspace);
    EXPECT_EQ(Nombre(), QString());
    // With the table gone any query would fail and be shown; the empty text asks nothing.
    Conecta(base->nombre()).Execute(QStringLiteral("RENAME TABLE clientes TO clientes_fuera"));
    QTest::keyClick(ventana->txtCliente, Qt::Key_Backspace);
    EXPECT_EQ(ventana->txtCliente->text(), QString());
    EXPECT_EQ(Nombre(), QString());
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Busqueda, CadaClaveSeBuscaTalComoSeEscribe) {
    struct Caso {
        QString tecleado;
        QString nombre;
    };
    const Caso casos[] = {
        {QStringLiteral(" "), QStringLiteral("Clave En Blanco")}, // spaces are not trimmed away
        {QStringLiteral("O'Brien"), QStringLiteral("Pat O'Brien")},
        {QStringLiteral("a\\b"), QStringLiteral("Con Diagonal")},
        {QStringLiteral("x' or '1'='1"), QString()},
        {QStringLiteral("' or ''='"), QString()},
        {QStringLiteral("\\"), QString()},
        {QStringLiteral("VACIO"), QString()}, // a name of empty text shows no name area
        {QStringLiteral("NULO"), QString()},  // nor does a null name
        {QStringLiteral("C999"), QString()},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.tecleado.toStdString());
        ventana->txtCliente->clear();
        Teclea(caso.tecleado);
        EXPECT_EQ(Nombre(), caso.nombre);
    }
    EXPECT_TRUE(mensajes.mensajes.empty());
}

TEST_F(Busqueda, LaConexionQueDevuelveLaBibliotecaSigueSiendoLaDeLaVentana) {
    Teclea(QStringLiteral("C001"));
    ASSERT_TRUE(ventana->estado.cn.abierta());
    // Still on the configured database, where the working copy lives.
    qm::Recordset rs = ventana->estado.cn.Consulta(QStringLiteral("SELECT DATABASE()"));
    EXPECT_EQ(rs.Valor(0).toString(), base->nombre());
}

// The real Print (no report control: it ends after the build) and the lookup on a server of
// the test's own that stops and comes back.
TEST(BusquedaSinServidor, UnSoloAvisoMientrasFaltaElServidorYElNombreVuelveConEl) {
    ServidorPropio propio;
    BaseTemporal base(QStringLiteral("caido"), propio.datos());
    {
        qm::Conexion cn = Conecta(propio.datos(), base.nombre());
        CreaClientes(cn);
    }
    const InstalacionPrueba instalacion(propio.datos(), base.nombre());
    MensajesGrabados mensajes;
    std::vector<int> salidas;
    frmPrincipal ventana({instalacion.carpetaEjecutable(), &mensajes,
                          [&](int codigo) { salidas.push_back(codigo); }});
    ASSERT_TRUE(ventana.Form_Load());
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana));
    QTest::mouseClick(ventana.txtCliente, Qt::LeftButton);
    QTest::keyClicks(ventana.txtCliente, QStringLiteral("C0"));
    ASSERT_EQ(ventana.Label4->Caption(), QStringLiteral("Prefijo Dos"));

    propio.Detiene();
    // Typing, deleting, emptying the field and typing again: one message in all.
    QTest::keyClicks(ventana.txtCliente, QStringLiteral("01"));
    QTest::keyClick(ventana.txtCliente, Qt::Key_Backspace);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(ventana.txtCliente, Qt::Key_Backspace);
    QTest::keyClicks(ventana.txtCliente, QStringLiteral("C00"));
    EXPECT_EQ(ventana.txtCliente->text(), QStringLiteral("C00"));
    EXPECT_FALSE(ventana.Label4->isVisible());
    EXPECT_EQ(ventana.Label4->Caption(), QString());
    // Told once the typing pauses.
    EXPECT_TRUE(mensajes.mensajes.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mensajes.mensajes.empty(); }, PlazoPrueba));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    const qm::Mensaje aviso = mensajes.mensajes[0];
    EXPECT_TRUE(aviso.texto.startsWith(QStringLiteral("No se puede conectar con el servidor")))
        << aviso.texto.toStdString();
    EXPECT_TRUE(aviso.texto.contains(QString::number(propio.datos().puerto)));
    EXPECT_TRUE(aviso.texto.contains(QStringLiteral("Error no. 200"))) << aviso.texto.toStdString();

    // Print still reports its own failure.
    QTest::keyClick(ventana.txtCliente, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), ventana.cmdImprimir);
    QTest::keyClick(ventana.cmdImprimir, Qt::Key_Return);
    ASSERT_EQ(mensajes.mensajes.size(), 2u);
    EXPECT_TRUE(mensajes.mensajes[1].texto.startsWith(QStringLiteral("Error no. 200")))
        << mensajes.mensajes[1].texto.toStdString();

    // The server back: the name of the code in the field comes back by itself, and no message
    // comes.
    QTest::mouseClick(ventana.txtCliente, Qt::LeftButton);
    QTest::keyClick(ventana.txtCliente, Qt::Key_End);
    QTest::keyClicks(ventana.txtCliente, QStringLiteral("1"));
    propio.Arranca();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ventana.Label4->Caption() == QStringLiteral("Ana Pérez Núñez"); },
        PlazoPrueba));
    EXPECT_TRUE(ventana.Label4->isVisible());
    EXPECT_EQ(mensajes.mensajes.size(), 2u);

    // Gone again after a lookup that worked: told again, once.
    propio.Detiene();
    QTest::keyClick(ventana.txtCliente, Qt::Key_Backspace);
    QTest::keyClicks(ventana.txtCliente, QStringLiteral("2"));
    EXPECT_FALSE(ventana.Label4->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return mensajes.mensajes.size() >= 3u; }, PlazoPrueba));
    ASSERT_EQ(mensajes.mensajes.size(), 3u);
    EXPECT_EQ(mensajes.mensajes[2].titulo, aviso.titulo);
    EXPECT_TRUE(mensajes.mensajes[2].texto.startsWith(QStringLiteral("No se puede conectar")));

    // Closing with the server gone still runs the whole shutdown and ends the program.
    ventana.close();
    EXPECT_TRUE(ventana.terminado());
    EXPECT_EQ(salidas, std::vector<int>{0});
    EXPECT_EQ(ventana.objetos.BasesDD, nullptr);
    EXPECT_EQ(mensajes.mensajes.size(), 3u);
}

TEST_F(Busqueda, UnFalloQueNoEsDelServidorSeMuestraUnaVezHastaQueUnaBusquedaFunciona) {
    Conecta(base->nombre()).Execute(QStringLiteral("RENAME TABLE clientes TO clientes_fuera"));
    Teclea(QStringLiteral("C00"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mensajes.mensajes.empty(); }, PlazoPrueba));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    EXPECT_TRUE(mensajes.mensajes[0].texto.startsWith(QStringLiteral("Error no. 1146: ")))
        << mensajes.mensajes[0].texto.toStdString();
    Conecta(base->nombre()).Execute(QStringLiteral("RENAME TABLE clientes_fuera TO clientes"));
    EXPECT_EQ(Teclea(QStringLiteral("1")), std::vector<QString>{QStringLiteral("Ana Pérez Núñez")});
    Conecta(base->nombre()).Execute(QStringLiteral("RENAME TABLE clientes TO clientes_fuera"));
    Teclea(QStringLiteral("23"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return mensajes.mensajes.size() >= 2u; }, PlazoPrueba));
    EXPECT_EQ(mensajes.mensajes.size(), 2u);
    EXPECT_FALSE(ventana->Label4->isVisible());
}

// The window reaches the private server through a relay that the test silences: the
// connection stays open and no answer comes, as when a cable is pulled.
class ServidorCallado : public ::testing::Test {
protected:
    void SetUp() override {
        qm::Conexion cn = Conecta(base.nombre());
        CreaClientes(cn);
    }
    void TearDown() override {
        proxy.Habla();
        if (ventana)
            ventana->close();
    }
    // Opens the window; its message boxes are recorded, or real ones when `cajasReales`.
    void AbreVentana(bool cajasReales = false) {
        ventana = std::make_unique<frmPrincipal>(OpcionesVentana{
            instalacion.carpetaEjecutable(), cajasReales ? nullptr : &mensajes, [](int) {}});
        ASSERT_TRUE(ventana->Form_Load());
        ventana->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(ventana.get()));
        QTest::mouseClick(ventana->txtCliente, Qt::LeftButton);
    }

    BaseTemporal base{QStringLiteral("callado")};
    ProxySilencioso proxy{Servidor().puerto};
    InstalacionPrueba instalacion{Servidor(), base.nombre(), proxy.puerto()};
    MensajesGrabados mensajes;
    int enviadas = 0; // statements the window's connection sent
    std::unique_ptr<frmPrincipal> ventana;
};

TEST_F(ServidorCallado, LaBusquedaFallaUnaVezSinVolverAEsperarYElNombreVuelveSolo) {
    AbreVentana();
    QTest::keyClicks(ventana->txtCliente, QStringLiteral("C0"));
    ASSERT_EQ(ventana->Label4->Caption(), QStringLiteral("Prefijo Dos"));
    ventana->estado.cn.PonObservador([this](const QString&) { ++enviadas; });

    proxy.Calla();
    const long long antes = proxy.bytesDeClientes();
    QElapsedTimer reloj; // reported, never asserted
    reloj.start();
    QTest::keyClicks(ventana->txtCliente, QStringLiteral("0"));
    const qint64 primera = reloj.restart();
    EXPECT_EQ(enviadas, 1);
    EXPECT_GT(proxy.bytesDeClientes(), antes);
    EXPECT_FALSE(ventana->Label4->isVisible());

    // Later keystrokes ask the silent server nothing, so they do not wait for it.
    const long long tras = proxy.bytesDeClientes();
    qint64 siguientes = 0;
    for (const auto tecla : {Qt::Key_1, Qt::Key_Backspace, Qt::Key_1}) {
        reloj.restart();
        QTest::keyClick(ventana->txtCliente, tecla);
        siguientes = std::max(siguientes, reloj.elapsed());
    }
    std::cout << "Servidor callado: la primera tecla tardó " << primera
              << " ms, las siguientes a lo más " << siguientes << " ms\n";
    EXPECT_EQ(ventana->txtCliente->text(), QStringLiteral("C001"));
    EXPECT_EQ(enviadas, 1);
    EXPECT_EQ(proxy.bytesDeClientes(), tras);
    EXPECT_FALSE(ventana->Label4->isVisible());

    // One message, once the typing pauses, naming the server and port.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mensajes.mensajes.empty(); }, PlazoPrueba));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    const QString puerto = QStringLiteral("puerto %1").arg(proxy.puerto());
    EXPECT_TRUE(mensajes.mensajes[0].texto.startsWith(
        QStringLiteral("No se puede conectar con el servidor de la base de datos (127.0.0.1, ") +
        puerto))
        << mensajes.mensajes[0].texto.toStdString();
    EXPECT_TRUE(mensajes.mensajes[0].texto.contains(QStringLiteral("Error no. 2013")))
        << mensajes.mensajes[0].texto.toStdString();

    // The relay speaks again: the name comes back without a keystroke.
    proxy.Habla();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ventana->Label4->Caption() == QStringLiteral("Ana Pérez Núñez"); },
        PlazoPrueba));
    EXPECT_TRUE(ventana->Label4->isVisible());
    EXPECT_EQ(mensajes.mensajes.size(), 1u);

    // A Print on a silent server fails with a message naming it, and the window stays usable.
    proxy.Calla();
    QTest::mouseClick(ventana->cmdImprimir, Qt::LeftButton);
    ASSERT_EQ(mensajes.mensajes.size(), 2u);
    const QString& fallo = mensajes.mensajes[1].texto;
    EXPECT_TRUE(fallo.startsWith(QStringLiteral("Error no. 2013: ")) &&
                fallo.contains(QStringLiteral("127.0.0.1, ") + puerto))
        << fallo.toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    proxy.Habla();
}

// Counts the key presses that reach a widget of another window than `ventana`.
class TeclasAjenas final : public QObject {
public:
    explicit TeclasAjenas(const QWidget* ventana) : ventana_(ventana) {
        qApp->installEventFilter(this);
    }
    ~TeclasAjenas() override { qApp->removeEventFilter(this); }
    int cuenta = 0;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        const auto* widget = qobject_cast<QWidget*>(objeto);
        if (evento->type() == QEvent::KeyPress && widget && widget->window() != ventana_)
            ++cuenta;
        return false;
    }

private:
    const QWidget* ventana_;
};

TEST_F(ServidorCallado, UnMensajeNoSeLlevaLoQueSeTeclea) {
    AbreVentana(true);
    proxy.Calla();
    // Types as the user does: each key goes to whatever window has the focus when it comes,
    // one after the other, while the program is still busy with the one before.
    const QByteArray codigo = "C00003";
    int tecleadas = 0;
    std::function<void()> teclea = [&] {
        if (tecleadas == codigo.size())
            return;
        const char tecla = codigo.at(tecleadas++);
        QTimer::singleShot(30, ventana.get(), teclea);
        QTest::keyClick(QGuiApplication::focusWindow(), tecla);
    };
    const TeclasAjenas ajenas(ventana.get());
    QString campoConLaCaja;
    QString textoDeLaCaja;
    QTimer cierra;
    QObject::connect(&cierra, &QTimer::timeout, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja || tecleadas < codigo.size())
            return;
        campoConLaCaja = ventana->txtCliente->text();
        textoDeLaCaja = caja->text();
        caja->done(QMessageBox::Ok);
    });
    cierra.start(50);
    QTimer::singleShot(0, ventana.get(), teclea);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !textoDeLaCaja.isEmpty(); }, PlazoPrueba));
    EXPECT_EQ(campoConLaCaja, QStringLiteral("C00003"));
    EXPECT_EQ(ajenas.cuenta, 0);
    EXPECT_TRUE(textoDeLaCaja.startsWith(QStringLiteral("No se puede conectar")))
        << textoDeLaCaja.toStdString();
    EXPECT_EQ(ventana->txtCliente->text(), QStringLiteral("C00003"));
    proxy.Habla();
}

} // namespace
} // namespace prueba
