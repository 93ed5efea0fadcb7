// A large table read in ranges gives the very rows, in the very order, of one whole read, on
// every server profile.
#include "ApoyoMotor.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/OdbcMotor.h"

#include <gtest/gtest.h>

namespace {

struct CasoTramos {
    const char* nombre;
    const char* clientes; // one row each, in stored order; "-" a NULL customer
    std::size_t filasPorTramo;
    std::size_t tramos; // statements that read the rows
};

class Tramos : public ::testing::TestWithParam<CasoTramos> {};

TEST_P(Tramos, MismasFilasEnElOrdenGuardado) {
    const CasoTramos& c = GetParam();
    prueba::DatosReporte datos;
    datos.Ejecuta(QStringLiteral("ALTER TABLE tmpravesta MODIFY Cliente varchar(10) NULL"));
    const QStringList clientes = QString::fromUtf8(c.clientes).split(',', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < clientes.size(); ++i)
        datos.Ejecuta(QStringLiteral("INSERT INTO tmpravesta (Cliente, Fecha, SaldoActual) VALUES "
                                     "(%1, '2024-01-01', %2)")
                          .arg(clientes[i] == "-" ? "NULL" : "'" + clientes[i] + "'")
                          .arg(i));
    // A deleted row leaves a hole a later row fills: stored order is not insertion order.
    datos.Ejecuta(QStringLiteral("DELETE FROM tmpravesta WHERE SaldoActual = 1"));
    if (clientes.size() > 1)
        datos.Ejecuta(
            QStringLiteral("INSERT INTO tmpravesta (Cliente, Fecha) VALUES ('Z', '2024-02-01')"));
    motor::ConexionOdbc cn(
        motor::CadenaConexion(QStringLiteral("Trevanto Reportes"), datos.textoConexion()));
    const QString tabla = datos.base() + QStringLiteral(".tmpravesta");
    const auto columnas = motor::ColumnasPedidas(prueba::PlantillaMovimientos().diseno);
    auto textos = [](const motor::TablaDatos& t) {
        QStringList texto;
        for (std::size_t f = 0; f < t.filas * t.columnas.size(); ++f)
            texto << t.columnas[f % t.columnas.size()].Texto(f / t.columnas.size());
        return texto;
    };
    cn.PonFilasPorTramo(0);
    const motor::TablaDatos entera = cn.Lee(tabla, columnas);
    cn.PonFilasPorTramo(c.filasPorTramo);
    const motor::TablaDatos porTramos = cn.Lee(tabla, columnas);
    EXPECT_EQ(cn.tramos(), c.tramos);
    EXPECT_EQ(porTramos.filas, std::size_t(clientes.size()));
    EXPECT_EQ(textos(porTramos), textos(entera));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Tramos,
    ::testing::Values(CasoTramos{"tramosCruzados", "C,B,A,C,D,B,E,C", 3, 3},
                      CasoTramos{"tablaVacia", "", 2, 1},
                      // The last range ends at the last row: one more read finds none.
                      CasoTramos{"limiteJustoAlFinal", "B,A,B,A", 2, 3},
                      CasoTramos{"nulos", "B,-,A,-,B", 2, 3},
                      CasoTramos{"tablaChicaDeUnaVez", "B,A,C", 5, 1}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
