// The pages of a large report stay as they are: the benchmark's 100,000 movements laid out and
// written as a PDF give, letter for letter, the text they gave when this test was written.
#include "ApoyoMotor.h"
#include "reportengine/Cuentas.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Salida.h"
#include "tests/support/EntornoPrueba.h"
#include "tests/support/FilasMotor.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// SHA-256 of pdftotext's text of that PDF, the printed date and time left out.
constexpr const char* TextoDeCienMil =
    "c3e842907f1d2af051ac60c31b950aed6dcb04c71a153a2ba5a7b22187a8ca71";

TEST(MismasPaginas, CienMilMovimientosDanElMismoTextoDePdf) {
    const motor::Diseno d = prueba::PlantillaMovimientos().diseno;
    prueba::FilasMotor filas = prueba::FilasDeBanco(100000, d);
    const auto datos = std::make_shared<const motor::DatosReporte>(
        motor::OrdenaYAgrupa(std::move(filas.tabla), d, filas.clases));
    const auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, d, QDate(2024, 12, 31)));
    const QDateTime impreso(QDate(2026, 12, 7), QTime(22, 39));
    QTemporaryDir carpeta;
    const QString pdf = carpeta.filePath(QStringLiteral("reporte.pdf"));
    motor::EscribePdf(motor::Renderiza(datos, cuentas, d, impreso, motor::Encargo{}), pdf);
    QString texto = prueba::Ejecuta(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_GT(texto.size(), 1000000);
    texto.replace(
        QRegularExpression(QStringLiteral("Impreso el \\d\\d/\\d\\d/\\d{4} a las \\d\\d:\\d\\d")),
        QStringLiteral("Impreso el"));
    EXPECT_EQ(
        QCryptographicHash::hash(texto.toUtf8(), QCryptographicHash::Sha256).toHex().toStdString(),
        TextoDeCienMil);
}

} // namespace
