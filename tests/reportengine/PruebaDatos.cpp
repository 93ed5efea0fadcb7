// Sorting, grouping, the amount and date formats and the connection texts.
#include "ApoyoMotor.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Formatos.h"
#include "reportengine/OdbcMotor.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>

namespace {

motor::TablaDatos Tabla(const std::vector<std::array<const char*, 3>>& filas) {
    // Cliente, Fecha, Hora as texts; SaldoActual numbered by stored position.
    motor::TablaDatos t;
    t.columnas = {{"Cliente", false, {}, {}},
                  {"Fecha", false, {}, {}},
                  {"Hora", false, {}, {}},
                  {"SaldoActual", true, {}, {}}};
    for (const auto& f : filas) {
        for (int i = 0; i < 3; ++i)
            t.columnas[std::size_t(i)].textos.emplace_back(QString::fromUtf8(f[std::size_t(i)]));
        t.columnas[3].numeros.push_back(double(t.filas));
        ++t.filas;
    }
    return t;
}

motor::Diseno Diseno() {
    motor::Diseno d = prueba::PlantillaMovimientos().diseno;
    return d;
}

TEST(Datos, OrdenaEstableYAgrupaPorCliente) {
    // Two rows tie on customer, date and time: they keep their stored order.
    const motor::DatosReporte r =
        motor::OrdenaYAgrupa(Tabla({{"B", "2024-01-02", "10:00:00"},
                                    {"A", "2024-01-05", "09:00:00"},
                                    {"B", "2024-01-01", "23:00:00"},
                                    {"A", "2024-01-05", "09:00:00"},
                                    {"A", "2024-01-01", "09:00:00"}}),
                             Diseno(), {{QStringLiteral("A"), QStringLiteral("Alfa")}});
    EXPECT_EQ(r.orden, (std::vector<std::size_t>{4, 1, 3, 2, 0}));
    ASSERT_EQ(r.grupos.size(), 2u);
    EXPECT_EQ(r.grupos[0].clave, QStringLiteral("A"));
    EXPECT_EQ(r.grupos[0].nombre, QStringLiteral("Alfa"));
    EXPECT_EQ(r.grupos[0].desde, 0u);
    EXPECT_EQ(r.grupos[0].hasta, 3u);
    EXPECT_EQ(r.grupos[1].nombre, QString()); // not in the customers table
    EXPECT_EQ(r.grupos[1].hasta, 5u);
}

TEST(Datos, FaltaLaColumnaDeOrden) {
    motor::TablaDatos t = Tabla({{"A", "2024-01-01", "09:00:00"}});
    t.columnas[2].nombre = QStringLiteral("Otra");
    try {
        motor::OrdenaYAgrupa(t, Diseno(), {});
        FAIL();
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::FaltaTablaOColumna);
    }
}

TEST(Datos, ElPrimerNombreDeUnaClaveGana) {
    motor::TablaDatos t;
    t.columnas = {{"Clave", false, {"A", "B", "A"}, {}},
                  {"Nombre", false, {"uno", "dos", "tres"}, {}}};
    t.filas = 3;
    const auto n = motor::Nombres(t);
    EXPECT_EQ(n.value(QStringLiteral("A")), QStringLiteral("uno"));
    EXPECT_EQ(n.value(QStringLiteral("B")), QStringLiteral("dos"));
}

TEST(Formatos, Importes) {
    const std::vector<std::pair<double, const char*>> casos{{0, "0.00"},
                                                            {-0.004, "0.00"},
                                                            {1234567.891, "1,234,567.89"},
                                                            {-1234.5, "-1,234.50"},
                                                            {999.995, "1,000.00"},
                                                            {100, "100.00"},
                                                            {1e15, "1,000,000,000,000,000.00"}};
    for (const auto& [valor, texto] : casos)
        EXPECT_EQ(motor::FormateaImporte(valor), QString::fromUtf8(texto)) << valor;
    EXPECT_FALSE(motor::FormateaImporte(std::numeric_limits<double>::quiet_NaN()).isEmpty());
}

TEST(Formatos, Fechas) {
    EXPECT_EQ(motor::FormateaFecha(QStringLiteral("2024-01-31")), QStringLiteral("31/01/2024"));
    EXPECT_EQ(motor::FormateaFecha(QStringLiteral("31/01/2024")), QStringLiteral("31/01/2024"));
    EXPECT_EQ(motor::FormateaFecha(QString()), QString());
}

TEST(Conexion, UbicacionesCitadas) {
    const std::vector<std::pair<const char*, const char*>> casos{
        {"datos1.tmpravesta", "`datos1`.`tmpravesta`"},
        {"clientes", "`clientes`"},
        {"a.b.c", "`a`.`b.c`"},
        {"mal`nombre", "`mal``nombre`"}};
    for (const auto& [entrada, sql] : casos)
        EXPECT_EQ(motor::UbicacionSql(QString::fromUtf8(entrada)), QString::fromUtf8(sql));
}

TEST(Conexion, CadenaConLaFuenteYElTextoSinCambios) {
    const QString texto = QStringLiteral("SERVER=h;DB=d;UID=u;PWD={pa;ss=1}}x};");
    EXPECT_EQ(motor::CadenaConexion(QStringLiteral("Trevanto Reportes"), texto),
              QStringLiteral("DSN=Trevanto Reportes;") + texto);
    EXPECT_EQ(motor::CadenaConexion(QStringLiteral("a;b}"), QString()),
              QStringLiteral("DSN={a;b}}};"));
}

} // namespace
