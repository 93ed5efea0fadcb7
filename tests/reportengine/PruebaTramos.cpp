// A table read in ranges of the group column gives, once sorted, the very rows in the very
// order that one whole read gives.
#include "ApoyoMotor.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/OdbcMotor.h"

#include <gtest/gtest.h>

namespace {

struct CasoTramos {
    const char* nombre;
    const char* filas; // "Cliente,day,hour|..." in stored order; "-" a NULL customer
    std::size_t filasPorTramo;
    const char* colacion = ""; // of the working table; "" the database's
    double primera = 0;        // stored place of the first row read (the first range's)
};

class Tramos : public ::testing::TestWithParam<CasoTramos> {};

TEST_P(Tramos, MismasFilasEnElMismoOrden) {
    const CasoTramos& c = GetParam();
    prueba::DatosReporte datos(QString::fromUtf8(c.colacion));
    datos.Ejecuta(QStringLiteral("ALTER TABLE tmpravesta MODIFY Cliente varchar(10) NULL"));
    const QStringList filas = QString::fromUtf8(c.filas).split('|', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < filas.size(); ++i) {
        const QStringList f = filas[i].split(',');
        datos.Ejecuta(QStringLiteral("INSERT INTO tmpravesta (Cliente, Fecha, Hora, SaldoActual) "
                                     "VALUES (%1, '2024-01-%2', '%3:00:00', %4)")
                          .arg(f[0] == "-" ? "NULL" : "'" + f[0] + "'", f[1].rightJustified(2, '0'),
                               f[2].rightJustified(2, '0'))
                          .arg(i));
    }
    motor::ConexionOdbc cn(
        motor::CadenaConexion(QStringLiteral("Trevanto Reportes"), datos.textoConexion()));
    const QString tabla = datos.base() + QStringLiteral(".tmpravesta");
    const motor::Diseno d = prueba::PlantillaMovimientos().diseno;
    motor::Clasificaciones clases;
    for (const QString& campo : motor::CamposClasificados(d))
        clases.insert(campo, cn.Clasifica(tabla, campo));
    auto ordenadas = [&](motor::TablaDatos t) {
        const motor::DatosReporte r = motor::OrdenaYAgrupa(std::move(t), d, clases);
        QStringList texto;
        for (const motor::GrupoDatos& g : r.grupos) {
            texto << g.clave;
            for (std::size_t i = g.desde; i < g.hasta; ++i) {
                for (const motor::ColumnaDatos& col : r.tabla.columnas)
                    texto << col.Texto(r.orden[i]);
            }
        }
        return texto;
    };
    const motor::TablaDatos entera = cn.Lee(tabla, motor::ColumnasPedidas(d));
    cn.PonFilasPorTramo(c.filasPorTramo);
    motor::TablaDatos porTramos = cn.Lee(tabla, motor::ColumnasPedidas(d), d.campoGrupo);
    ASSERT_EQ(porTramos.filas, std::size_t(filas.size()));
    if (!filas.isEmpty()) {
        EXPECT_EQ(porTramos[porTramos.Indice(QStringLiteral("SaldoActual"))].Numero(0), c.primera);
    }
    EXPECT_EQ(ordenadas(std::move(porTramos)), ordenadas(entera));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Tramos,
    ::testing::Values(
        // Ties on customer, date and time (rows 1 and 5, 0 and 7) across ranges of two rows.
        CasoTramos{"tramosCruzados", "C,2,10|B,1,9|A,3,8|C,1,10|D,1,1|B,1,9|E,2,2|C,2,10", 2, "",
                   2},
        // Forms of one code are one value: whole in one range, their ties in stored order.
        CasoTramos{"variantesDeUnCodigo", "c1,1,10|B,1,10|C1 ,1,10|A,5,10|C1,1,10|B,1,10|c1,1,9", 1,
                   "", 3},
        CasoTramos{"tablaVacia", "", 2},
        // The last range ends exactly at the last row.
        CasoTramos{"limiteJustoAlFinal", "B,1,1|A,1,1|B,1,1|A,1,1", 2, "", 1},
        // NULL sorts first and goes with the first range.
        CasoTramos{"nulosEnElPrimerTramo", "B,1,1|-,1,1|A,1,1|-,1,1|B,1,1", 1, "", 1},
        // The bounds compare under the column's own collation (ñ between n and o).
        CasoTramos{"intercalacionDeLaColumna", "o,1,1|ñ,1,1|n,1,1|Ñ,1,1|N,1,1", 1,
                   "latin1_spanish_ci", 2}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
