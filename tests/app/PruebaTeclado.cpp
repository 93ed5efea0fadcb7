// A request made with the keyboard alone: the real Print builds the working table and asks
// the report control for the report.
#include "demo/datos/DatosHost.h"
#include "host/Recordset.h"
#include "reportengine/ControlReporte.h"
#include "tests/app/VentanaPrueba.h"

#include <QFile>
#include <QTest>

namespace prueba {
namespace {

// A report control that keeps the properties it is given.
class ControlAnotador final : public motor::ControlReporte {
public:
    explicit ControlAnotador(std::vector<std::pair<int, QVariant>>& anotadas)
        : anotadas_(anotadas) {}
    void Propiedad(int id, const QVariant& valor) override { anotadas_.emplace_back(id, valor); }
    void PropiedadIndexada(int id, int /*indice*/, const QVariant& valor) override {
        anotadas_.emplace_back(id, valor);
    }

private:
    std::vector<std::pair<int, QVariant>>& anotadas_;
};

// The host tables with two customers and their documents, some of them outside the range.
void CreaDocumentos(qm::Conexion& cn) {
    demo::CreaEsquema(cn);
    cn.Execute(QStringLiteral(
        "INSERT INTO clientes (Clave, Nombre) VALUES ('C001', 'Ana'), ('C002', 'Beto')"));
    cn.Execute(QStringLiteral(
        "INSERT INTO remisiones (Serie, Factura, Cliente, Fecha, Hora, SubTotal) VALUES "
        "('', 10, 'C001', '2024-03-05', '10:00:00', 100), "
        "('', 11, 'C001', '2023-12-31', '10:00:00', 50), "
        "('', 12, 'C002', '2024-03-05', '11:00:00', 70)"));
    cn.Execute(QStringLiteral(
        "INSERT INTO facturas (Serie, Factura, Cliente, Fecha, Hora, SubTotal, IVA) VALUES "
        "('A', 7, 'C001', '2024-12-31', '18:30:00', 200, 32)"));
}

struct Fila {
    QString cliente, fecha, movimiento, folio;
    double ventas;
    bool operator==(const Fila&) const = default;
};

void PrintTo(const Fila& f, std::ostream* os) {
    *os << f.cliente.toStdString() << " " << f.fecha.toStdString() << " "
        << f.movimiento.toStdString() << " " << f.folio.toStdString() << " " << f.ventas;
}

std::vector<Fila> Trabajo(qm::Conexion& cn) {
    qm::Recordset rs = cn.Consulta(QStringLiteral(
        "SELECT Cliente, CAST(Fecha AS CHAR), Movimiento, Folio, Ventas FROM tmpravesta "
        "ORDER BY Fecha, Hora"));
    std::vector<Fila> filas;
    for (; !rs.Eof(); rs.MoveNext())
        filas.push_back({rs.Valor(0).toString(), rs.Valor(1).toString(), rs.Valor(2).toString(),
                         rs.Valor(3).toString(), rs.Valor(4).toDouble()});
    return filas;
}

TEST(Teclado, FechasYClaveConEnterEntreEllasYOtroEnterImprime) {
    BaseTemporal base(QStringLiteral("teclado"));
    {
        qm::Conexion cn = Conecta(base.nombre());
        CreaDocumentos(cn);
    }
    const InstalacionPrueba instalacion(Servidor(), base.nombre());
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILTARO_BINARY_DIR "/app/quiltaro.rpt"),
                            instalacion.carpetaEjecutable() + QStringLiteral("/quiltaro.rpt")));
    MensajesGrabados mensajes;
    std::vector<std::pair<int, QVariant>> anotadas;
    frmPrincipal ventana({instalacion.carpetaEjecutable(), &mensajes, [](int) {},
                          [&] { return std::make_unique<ControlAnotador>(anotadas); }});
    ASSERT_TRUE(ventana.Form_Load());
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana));

    // Each field takes the focus with its text selected, so typing replaces it.
    const auto teclea = [](const QString& texto) {
        QTest::keyClicks(QApplication::focusWidget(), texto);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    ASSERT_EQ(QApplication::focusWidget(), ventana.mkeFecha[0]);
    teclea(QStringLiteral("01012024"));
    ASSERT_EQ(QApplication::focusWidget(), ventana.mkeFecha[1]);
    teclea(QStringLiteral("31122024"));
    ASSERT_EQ(QApplication::focusWidget(), ventana.txtCliente);
    teclea(QStringLiteral("C001"));
    EXPECT_EQ(ventana.Texto(0), QStringLiteral("01/01/2024"));
    EXPECT_EQ(ventana.Texto(1), QStringLiteral("31/12/2024"));
    EXPECT_EQ(ventana.Label4->Caption(), QStringLiteral("Ana"));
    ASSERT_EQ(QApplication::focusWidget(), ventana.cmdImprimir);
    ASSERT_TRUE(anotadas.empty());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    qm::Conexion cn = Conecta(base.nombre());
    const std::vector<Fila> esperadas = {
        {QStringLiteral("C001"), QStringLiteral("2024-03-05"), QStringLiteral("Remisión"),
         QStringLiteral("10"), 100},
        {QStringLiteral("C001"), QStringLiteral("2024-12-31"), QStringLiteral("Factura"),
         QStringLiteral("A 7"), 232},
    };
    EXPECT_EQ(Trabajo(cn), esperadas);
    const std::pair<int, QVariant> corre{motor::propiedad::Accion, 1};
    EXPECT_NE(std::find(anotadas.begin(), anotadas.end(), corre), anotadas.end());
    for (const qm::Mensaje& mensaje : mensajes.mensajes)
        ADD_FAILURE() << mensaje.texto.toStdString();
    ventana.close();
}

} // namespace
} // namespace prueba
