// The engine's whole run without a window (this executable links no Widgets): a real server's
// table to the PDF, the workbook and the statements folder.
#include "ApoyoMotor.h"
#include "reportengine/Ejecucion.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Exportacion.h"
#include "reportengine/Salida.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Ejecucion, DeLaTablaDelServidorAlPdfElLibroYLosEstados) {
    prueba::DatosReporte datos;
    datos.Cliente(QStringLiteral("C001"), QStringLiteral("Ferretería Fina"));
    datos.Movimientos({{"C001", "2026-11-02", "09:00:00", "Remisión", "R-1", 100, 0, 0, 0, 100},
                       {"C001", "2026-11-03", "10:00:00", "Pago", "P-1", 0, 0, 40, 100, 60}});
    motor::Corrida corrida;
    corrida.conexion = datos.textoConexion();
    corrida.ubicaciones = {{0, datos.base() + QStringLiteral(".tmpravesta")},
                           {1, datos.base() + QStringLiteral(".clientes")}};
    corrida.solicitud = motor::Solicitud{QDate(2026, 11, 1), QDate(2026, 11, 30), QString()};
    const motor::ReporteListo r = motor::EjecutaReporte(prueba::PlantillaMovimientos(), corrida);
    ASSERT_EQ(r.documento.NumeroPaginas(), 1u);

    QTemporaryDir carpeta;
    const QString pdf = carpeta.filePath(QStringLiteral("reporte.pdf"));
    const QString libro = carpeta.filePath(QStringLiteral("reporte.xlsx"));
    const QString estados = carpeta.filePath(QStringLiteral("estados"));
    motor::EscribePdf(r.documento, pdf);
    motor::EscribeXlsx(r.hojas, libro);
    ASSERT_TRUE(QDir().mkdir(estados));
    EXPECT_EQ(motor::EscribeEstados(r.Hecho(), estados, QDateTime::currentDateTime()), 1u);

    const QString texto = prueba::TextoPdf(pdf).simplified();
    EXPECT_TRUE(texto.contains(QStringLiteral("Cliente C001 · Ferretería Fina")))
        << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("Del 01/11/2026 al 30/11/2026")));
    EXPECT_TRUE(texto.contains(QStringLiteral("Totales de C001 (2 movimientos)")));
    EXPECT_TRUE(prueba::LeeArchivo(libro).startsWith("PK"));
    EXPECT_EQ(r.hojas.size(), 2u);
    const QString estado =
        prueba::TextoPdf(estados + QStringLiteral("/C001 - Ferretería Fina.pdf"));
    EXPECT_TRUE(estado.contains(QStringLiteral("Antigüedad del saldo"))) << estado.toStdString();
    EXPECT_TRUE(QFileInfo::exists(estados + QLatin1Char('/') + motor::NombreIndiceEstados()));
}

} // namespace
