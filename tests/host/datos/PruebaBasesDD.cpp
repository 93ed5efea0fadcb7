#include "host/BasesDD.h"
#include "host/Error.h"
#include "tests/support/ServidorPrueba.h"

#include <gtest/gtest.h>

namespace {

qm::BasesDD Registro(const prueba::DatosServidor& datos) {
    qm::BasesDD bdd;
    bdd.cRuta = datos.servidor;
    bdd.cPuerto = QString::number(datos.puerto);
    bdd.cUsuario = datos.usuario;
    bdd.cPassword = datos.password;
    return bdd;
}

TEST(BasesDD, PuertoDelRegistro) {
    const std::vector<std::pair<QVariant, unsigned>> casos = {
        {QVariant("3307"), 3307u}, {QVariant(" 3308x"), 3308u}, {QVariant(3309), 3309u},
        {QVariant(3310.0), 3310u}, {QVariant(""), 3306u},       {QVariant(), 3306u},
        {QVariant("0"), 3306u},    {QVariant("abc"), 3306u},
    };
    for (const auto& [puerto, esperado] : casos) {
        qm::BasesDD bdd;
        bdd.cPuerto = puerto;
        EXPECT_EQ(bdd.Parametros("b").puerto, esperado) << puerto.toString().toStdString();
    }
}

TEST(BasesDD, AbrirBdDConServidorVacioYPuertoNumerico) {
    prueba::BaseTemporal base("bdd");
    qm::BasesDD bdd = Registro(prueba::Servidor());
    bdd.cRuta.clear();
    bdd.cPuerto = prueba::Servidor().puerto;
    qm::Conexion cn;
    bdd.AbrirBdD(cn, base.nombre());
    EXPECT_EQ(cn.Consulta("SELECT DATABASE()").Valor(0).toString(), base.nombre());
    EXPECT_EQ(cn.Consulta("SELECT @@character_set_connection").Valor(0).toString(), "utf8mb4");
    bdd.CierraBdD(cn);
    EXPECT_FALSE(cn.abierta());
    EXPECT_NO_THROW(bdd.CierraBdD(cn));
}

TEST(BasesDD, AbrirBdDConservaElErrorDelServidor) {
    qm::BasesDD bdd = Registro(prueba::Servidor());
    bdd.cPassword = "mala";
    qm::Conexion cn;
    try {
        bdd.AbrirBdD(cn, "datos1");
        FAIL();
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), 1045);
        EXPECT_TRUE(e.texto().startsWith("Error no. 1045: "));
    }
    EXPECT_FALSE(cn.abierta());
}

TEST(BasesDD, HayTablaPorSuNombreExacto) {
    prueba::BaseTemporal base("hay");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE ravesta2 (a INT)");
    qm::BasesDD bdd;
    EXPECT_FALSE(bdd.HayTabla("ravesta", cn));
    cn.Execute("CREATE TABLE ravesta (a INT)");
    const std::vector<std::pair<QString, bool>> casos = {
        {"ravesta", true},  {"ravesta2", true}, {"RAVESTA", false},      {"rav%", false},
        {"rav_sta", false}, {"ravest", false},  {"x' OR '1'='1", false},
    };
    for (const auto& [tabla, esperado] : casos)
        EXPECT_EQ(bdd.HayTabla(tabla, cn), esperado) << tabla.toStdString();
    // Another database's tables do not count.
    qm::Conexion otra = prueba::Conecta("datos1");
    EXPECT_FALSE(bdd.HayTabla("ravesta", otra));
}

TEST(BasesDD, AbrirTablaConYSinCampos) {
    prueba::BaseTemporal base("abre");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE t (Cliente VARCHAR(10), Nombre VARCHAR(40), Saldo DOUBLE)");
    cn.Execute("INSERT INTO t VALUES ('C1', 'Ana', 1.5), ('C1', 'Ana', 2.5), ('C2', "
               "'O''Brien', 3)");
    qm::BasesDD bdd;
    qm::Recordset rs;
    ASSERT_TRUE(bdd.AbrirTabla(rs, cn, "t"));
    EXPECT_EQ(rs.Campos(), 3);

    ASSERT_TRUE(bdd.AbrirTabla(rs, cn, "t group by Cliente", "Cliente"));
    EXPECT_EQ(rs.Campos(), 1);
    EXPECT_EQ(rs.filas(), 2);

    const QString clave = cn.Escapa("O'Brien");
    ASSERT_TRUE(bdd.AbrirTabla(rs, cn, "t where Nombre = '" + clave + "'", "Nombre, Saldo"));
    EXPECT_EQ(rs.Valor("nombre").toString(), "O'Brien");
    EXPECT_EQ(rs.Valor("saldo").toDouble(), 3.0);

    EXPECT_FALSE(bdd.AbrirTabla(rs, cn, "t where Cliente = 'C9'", "Saldo"));
    EXPECT_TRUE(rs.abierto());
    EXPECT_TRUE(rs.Eof());

    // A failing query leaves no stale recordset behind.
    EXPECT_THROW(bdd.AbrirTabla(rs, cn, "no_hay"), qm::Error);
    EXPECT_FALSE(rs.abierto());
    EXPECT_TRUE(cn.abierta());
}

} // namespace
