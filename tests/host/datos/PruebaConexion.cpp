#include "host/Conexion.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "tests/support/ServidorPrueba.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

long NumeroDeError(const std::function<void()>& accion) {
    try {
        accion();
    } catch (const qm::Error& e) {
        return e.numero();
    }
    return 0;
}

TEST(Conexion, ErroresDeConexionConservanElNumeroDelServidor) {
    struct Caso {
        const char* nombre;
        std::function<void(qm::ParametrosConexion&)> cambia;
        std::vector<long> numeros;
    };
    const std::vector<Caso> casos = {
        {"password incorrecta", [](auto& p) { p.password = "otra"; }, {1045}},
        {"base desconocida", [](auto& p) { p.base = "no_hay_tal_base"; }, {1049}},
        // Nothing listens there: refused at once, long before the generous timeout.
        {"puerto cerrado",
         [](auto& p) {
             p.puerto = 1;
             p.segundosEspera = 600;
         },
         {2002, 2003}},
    };
    for (const Caso& caso : casos) {
        qm::ParametrosConexion p = prueba::Parametros(prueba::Servidor());
        caso.cambia(p);
        const long numero = NumeroDeError([&] { qm::Conexion::Abre(p); });
        EXPECT_NE(std::find(caso.numeros.begin(), caso.numeros.end(), numero), caso.numeros.end())
            << caso.nombre << ": " << numero;
    }
}

TEST(Conexion, ServidorVacioEsEstaMaquina) {
    qm::ParametrosConexion p = prueba::Parametros(prueba::Servidor());
    p.servidor.clear();
    qm::Conexion cn = qm::Conexion::Abre(p);
    EXPECT_EQ(cn.Consulta("SELECT 1").Valor(0).toLongLong(), 1);
}

TEST(Conexion, CerradaONuncaAbiertaFallaConClaridad) {
    qm::Conexion nunca;
    EXPECT_FALSE(nunca.abierta());
    EXPECT_NO_THROW(nunca.Cierra());
    EXPECT_EQ(NumeroDeError([&] { nunca.Execute("SELECT 1"); }), qm::errores::ObjetoCerrado);

    qm::Conexion cn = prueba::Conecta();
    qm::Conexion copia = cn;
    copia.Cierra();
    EXPECT_FALSE(cn.abierta());
    EXPECT_EQ(NumeroDeError([&] { cn.Consulta("SELECT 1"); }), qm::errores::ObjetoCerrado);
    EXPECT_EQ(NumeroDeError([&] { cn.Escapa("x"); }), qm::errores::ObjetoCerrado);
    EXPECT_NO_THROW(cn.Cierra());
}

TEST(Conexion, ErrorDeSentenciaTraeElNumeroDelServidor) {
    qm::Conexion cn = prueba::Conecta();
    EXPECT_EQ(NumeroDeError([&] { cn.Execute("SELECT * FROM no_hay.tal_tabla"); }), 1146);
    EXPECT_EQ(NumeroDeError([&] { cn.Execute("SELEC 1"); }), 1064);
    EXPECT_EQ(cn.Consulta("SELECT 2").Valor(0).toLongLong(), 2);
}

TEST(Conexion, ExecuteConsumeTodosLosResultados) {
    prueba::BaseTemporal base("cnres");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE PROCEDURE dos() BEGIN SELECT 1; SELECT 2; END");
    cn.Execute("SELECT 1");
    cn.Execute("CALL dos()");
    qm::Recordset rs = cn.Consulta("CALL dos()");
    EXPECT_EQ(rs.Valor(0).toLongLong(), 1);
    EXPECT_EQ(cn.Consulta("SELECT 3").Valor(0).toLongLong(), 3);
}

TEST(Conexion, EscapaComillasYBarrasEnAmbosModos) {
    qm::Conexion cn = prueba::Conecta();
    const QString texto = QString::fromUtf8("O'Brien \\ ''x\\' \"Devolución\"");
    for (const char* modo :
         {"SET SESSION sql_mode=''", "SET SESSION sql_mode='NO_BACKSLASH_ESCAPES'"}) {
        cn.Execute(modo);
        const qm::Recordset rs = cn.Consulta("SELECT '" + cn.Escapa(texto) + "'");
        EXPECT_EQ(rs.Valor(0).toString(), texto) << modo;
    }
}

TEST(Conexion, FilasAfectadas) {
    prueba::BaseTemporal base("cnfilas");
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute("CREATE TABLE t (a INT)");
    cn.Execute("INSERT INTO t VALUES (1), (2), (3)");
    EXPECT_EQ(cn.filasAfectadas(), 3u);
    cn.Execute("UPDATE t SET a = 5 WHERE a > 1");
    EXPECT_EQ(cn.filasAfectadas(), 2u);
}

} // namespace
