// Two copies of the program on one host database, as two cashiers run them: the windows'
// start-up, Print and exit share the working copy through its lock.
#include "app/frmPrincipal.h"
#include "host/Recordset.h"
#include "movements/CopiaDeTrabajo.h"
#include "tests/app/InstalacionPrueba.h"
#include "tests/support/PerfilesDatos.h"
#include "tests/support/ServidorPrueba.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace prueba {
namespace {

using namespace std::chrono_literals;
using Filas = std::vector<std::string>; // "customer folio", readable in a failure

// The report engine as far as this test needs it: on "run" it reads its first table where the
// runner pointed it, on a connection of its own, as the engine does, and notes the pointer.
class ControlLector final : public motor::ControlReporte {
public:
    struct Lectura {
        Filas filas;
        bool punteroOcupado = false;
    };
    explicit ControlLector(std::vector<Lectura>& lecturas) : lecturas_(lecturas) {}

    void Propiedad(int id, const QVariant& valor) override {
        if (id != motor::propiedad::Accion || valor.toInt() != 1)
            return;
        const QStringList partes = ubicacion_.split(QLatin1Char('.'));
        Lectura lectura;
        const QCursor* puntero = QApplication::overrideCursor();
        lectura.punteroOcupado = puntero && puntero->shape() == Qt::WaitCursor;
        qm::Recordset rs =
            Conecta().Consulta(QStringLiteral("SELECT CONCAT(Cliente, ' ', Folio) FROM `%1`.`%2`")
                                   .arg(partes[0], partes[1]));
        for (; !rs.Eof(); rs.MoveNext())
            lectura.filas.push_back(rs.Valor(0).toString().toStdString());
        lecturas_.push_back(lectura);
    }
    void PropiedadIndexada(int id, int indice, const QVariant& valor) override {
        if (id == motor::propiedad::Ubicacion && indice == 0)
            ubicacion_ = valor.toString();
    }

private:
    std::vector<Lectura>& lecturas_;
    QString ubicacion_;
};

// Message boxes, recorded with whether the busy pointer was still on while each was shown.
class MensajesConPuntero final : public qm::PuertoMensajes {
public:
    void Muestra(const qm::Mensaje& mensaje) override {
        mensajes.push_back(mensaje);
        conPunteroOcupado.push_back(QApplication::overrideCursor() != nullptr);
    }
    std::vector<qm::Mensaje> mensajes;
    std::vector<bool> conPunteroOcupado;
};

// One copy of the program: an installation of its own, its window started on the database.
struct Programa {
    Programa(const QString& base, std::chrono::seconds esperaImpresion)
        : instalacion(Servidor(), base) {
        // The template the runner scans: one table, stored as trevantoreportes.ravesta.
        QFile rpt(instalacion.carpetaEjecutable() + QStringLiteral("/quiltaro.rpt"));
        if (!rpt.open(QIODevice::WriteOnly))
            throw std::runtime_error("no se pudo escribir la plantilla");
        static const char plantilla[] = "plantilla de prueba\0pdsodbc.dll\0Trevanto Reportes\0"
                                        "trevantoreportes.ravesta\0fin";
        rpt.write(plantilla, sizeof plantilla - 1);
        rpt.close();
        OpcionesVentana opciones{instalacion.carpetaEjecutable(), &mensajes,
                                 [this](int codigo) { salidas.push_back(codigo); },
                                 [this] { return std::make_unique<ControlLector>(lecturas); }};
        opciones.esperaImpresion = esperaImpresion;
        ventana = std::make_unique<frmPrincipal>(opciones);
    }
    bool Abre() {
        if (!ventana->Form_Load())
            return false;
        ventana->show();
        return QTest::qWaitForWindowActive(ventana.get());
    }
    // Asks for every movement of the customer.
    void Imprime(const QString& cliente) {
        ventana->txtCliente->setText(cliente);
        for (int index : {0, 1})
            ventana->mkeFecha[index]->clear();
        QTest::mouseClick(ventana->cmdImprimir, Qt::LeftButton);
    }

    InstalacionPrueba instalacion;
    MensajesConPuntero mensajes;
    std::vector<int> salidas;
    std::vector<ControlLector::Lectura> lecturas;
    std::unique_ptr<frmPrincipal> ventana;
};

// Counts the paint events of a widget.
class Pintadas final : public QObject {
public:
    explicit Pintadas(QWidget* widget) : widget_(widget) { widget_->installEventFilter(this); }
    ~Pintadas() override { widget_->removeEventFilter(this); }
    int cuenta = 0;

protected:
    bool eventFilter(QObject* /*objeto*/, QEvent* evento) override {
        if (evento->type() == QEvent::Paint)
            ++cuenta;
        return false;
    }

private:
    QWidget* widget_;
};

class ImpresionCompartida : public ::testing::Test {
protected:
    void SetUp() override {
        qm::Conexion cn = Conecta(base.nombre());
        CreaTablasHost(cn, PerfilesDatos().front());
        cn.Execute("INSERT INTO remisiones (Serie, Factura, Cliente, Fecha, Hora, SubTotal) VALUES "
                   "('', 101, 'C1', '2024-03-01', '10:00:00', 10), "
                   "('', 102, 'C1', '2024-03-02', '10:00:00', 20), "
                   "('', 201, 'C2', '2024-03-01', '11:00:00', 30)");
    }
    std::unique_ptr<Programa> Abre(std::chrono::seconds espera = movimientos::EsperaImpresion) {
        auto programa = std::make_unique<Programa>(base.nombre(), espera);
        EXPECT_TRUE(programa->Abre());
        return programa;
    }
    qm::Conexion Principal() const { return Conecta(base.nombre()); }
    bool HayCopia() const {
        qm::Conexion cn = Principal();
        return qm::BasesDD().HayTabla("tmpravesta", cn);
    }
    void Marca() const {
        Principal().Execute(
            "INSERT INTO tmpravesta (Cliente, Fecha, Folio) VALUES ('MARCA', '2024-01-01', 'x')");
    }
    bool Marcada() const {
        return Principal()
                   .Consulta("SELECT COUNT(*) FROM tmpravesta WHERE Cliente = 'MARCA'")
                   .Valor(0)
                   .toLongLong() == 1;
    }
    // Waits (a minute at most, against a hang) until a session on the database waits for a
    // named lock.
    bool AlguienEspera() const {
        qm::Conexion cn = Conecta();
        for (int i = 0; i < 6000; ++i) {
            if (cn.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE STATE = "
                            "'User lock' AND DB = '" +
                            base.nombre() + "'")
                    .Valor(0)
                    .toLongLong() > 0)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    // Another copy of the program holds the working copy until `suelta` runs; that copy lets
    // go once it sees a session waiting, and first gives whether the copy was still marked.
    std::future<bool> OtraCopiaLaTieneHastaQueAlguienEspere() {
        auto cn = std::make_shared<qm::Conexion>(Principal());
        auto bloqueo = std::make_shared<movimientos::BloqueoCopia>(*cn, 0s);
        EXPECT_TRUE(bloqueo->tomado());
        return std::async(std::launch::async, [this, cn, bloqueo] {
            const bool espero = AlguienEspera();
            const bool marcada = espero && Marcada();
            bloqueo->Libera();
            return marcada;
        });
    }

    BaseTemporal base{QStringLiteral("imprime")};
};

TEST_F(ImpresionCompartida, MientrasOtraCopiaImprimeSeAvisaYLaVentanaSigue) {
    auto programa = Abre(1s);
    Marca();
    qm::Conexion otra = Principal();
    std::optional<movimientos::BloqueoCopia> bloqueo(std::in_place, otra, 0s);
    ASSERT_TRUE(bloqueo->tomado());

    // While the Print waits, the window paints and its timers run under the busy pointer, and
    // what the user types or clicks is refused.
    Pintadas pintadas(programa->ventana.get());
    int vueltas = 0;
    bool punteroOcupado = true;
    QTimer reloj;
    QObject::connect(&reloj, &QTimer::timeout, [&] {
        ++vueltas;
        const QCursor* puntero = QApplication::overrideCursor();
        punteroOcupado = punteroOcupado && puntero && puntero->shape() == Qt::WaitCursor;
        programa->ventana->update();
        QTest::keyClick(programa->ventana->txtCliente, Qt::Key_X);
        QTest::mouseClick(programa->ventana->cmdImprimir, Qt::LeftButton);
    });
    reloj.start(50);
    programa->Imprime("C1");
    reloj.stop();
    EXPECT_GT(vueltas, 0);
    EXPECT_GT(pintadas.cuenta, 0);
    EXPECT_TRUE(punteroOcupado);
    EXPECT_EQ(programa->ventana->txtCliente->text(), QStringLiteral("C1"));
    ASSERT_EQ(programa->mensajes.mensajes.size(), 1u);
    const qm::Mensaje& aviso = programa->mensajes.mensajes[0];
    EXPECT_EQ(aviso.texto, QStringLiteral("Otro usuario está imprimiendo este reporte en este "
                                          "momento. Intente de nuevo en unos segundos."));
    EXPECT_EQ(aviso.titulo, QStringLiteral("Quiltaro"));
    EXPECT_EQ(aviso.icono, qm::Icono::Exclamacion);
    EXPECT_FALSE(programa->mensajes.conPunteroOcupado[0]);
    // Nothing was built nor read; the pointer is the default one again.
    EXPECT_TRUE(programa->lecturas.empty());
    EXPECT_TRUE(Marcada());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Once the other Print is done, the same window prints.
    bloqueo.reset();
    programa->Imprime("C1");
    EXPECT_EQ(programa->mensajes.mensajes.size(), 1u);
    ASSERT_EQ(programa->lecturas.size(), 1u);
    EXPECT_EQ(programa->lecturas[0].filas, (Filas{"C1 101", "C1 102"}));
    EXPECT_TRUE(programa->lecturas[0].punteroOcupado);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ImpresionCompartida, UnaImpresionEsperaAQueLaOtraCopiaTermine) {
    auto programa = Abre();
    Marca();
    auto otra = OtraCopiaLaTieneHastaQueAlguienEspere();
    programa->Imprime("C2");
    // While the Print waited, the other copy's rows stayed untouched.
    EXPECT_TRUE(otra.get());
    EXPECT_TRUE(programa->mensajes.mensajes.empty());
    ASSERT_EQ(programa->lecturas.size(), 1u);
    EXPECT_EQ(programa->lecturas[0].filas, Filas{"C2 201"});
}

TEST_F(ImpresionCompartida, TrasCerrarseLaOtraVentanaLaImpresionRehaceLaTabla) {
    auto una = Abre();
    auto otra = Abre();
    otra->ventana->close();
    ASSERT_EQ(otra->salidas, std::vector<int>{0});
    ASSERT_FALSE(HayCopia());

    una->Imprime("C1");
    EXPECT_TRUE(una->mensajes.mensajes.empty());
    ASSERT_EQ(una->lecturas.size(), 1u);
    EXPECT_EQ(una->lecturas[0].filas, (Filas{"C1 101", "C1 102"}));
    EXPECT_TRUE(HayCopia());
}

TEST_F(ImpresionCompartida, ElArranqueEsperaALaCopiaQueTieneLaTabla) {
    auto primera = Abre();
    Marca();
    auto otra = OtraCopiaLaTieneHastaQueAlguienEspere();
    auto segunda = Abre();
    // The second start-up did not replace the copy while the first held it, and did after.
    EXPECT_TRUE(otra.get());
    EXPECT_TRUE(segunda->mensajes.mensajes.empty());
    EXPECT_TRUE(HayCopia());
    EXPECT_FALSE(Marcada());
}

TEST_F(ImpresionCompartida, LaSalidaEsperaALaCopiaQueTieneLaTabla) {
    auto programa = Abre();
    Marca();
    auto otra = OtraCopiaLaTieneHastaQueAlguienEspere();
    programa->ventana->close();
    EXPECT_TRUE(otra.get());
    EXPECT_EQ(programa->salidas, std::vector<int>{0});
    EXPECT_FALSE(HayCopia());
}

} // namespace
} // namespace prueba
