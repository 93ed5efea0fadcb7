#include "host/BasesDD.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"
#include "tests/support/PerfilesDatos.h"
#include "tests/support/ServidorPrueba.h"

#include <array>
#include <gtest/gtest.h>

namespace {

struct Columna {
    QString nombre, tipo, nulo, defecto;
};

std::vector<Columna> Columnas(qm::Conexion& cn, const QString& tabla) {
    qm::Recordset rs =
        cn.Consulta("SELECT COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, COLUMN_DEFAULT FROM "
                    "information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME='" +
                    tabla + "' ORDER BY ORDINAL_POSITION");
    std::vector<Columna> columnas;
    for (; !rs.Eof(); rs.MoveNext())
        columnas.push_back({rs.Valor(0).toString(), rs.Valor(1).toString(), rs.Valor(2).toString(),
                            rs.Valor(3).toString()});
    return columnas;
}

QString Motor(qm::Conexion& cn, const QString& tabla) {
    return cn
        .Consulta("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() "
                  "AND TABLE_NAME='" +
                  tabla + "'")
        .Valor(0)
        .toString();
}

// Every index as "name:unique:col1,col2,...".
QStringList Indices(qm::Conexion& cn, const QString& tabla) {
    qm::Recordset rs = cn.Consulta(
        "SELECT INDEX_NAME, NON_UNIQUE, GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX) FROM "
        "information_schema.STATISTICS WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME='" +
        tabla + "' GROUP BY INDEX_NAME, NON_UNIQUE ORDER BY INDEX_NAME");
    QStringList indices;
    for (; !rs.Eof(); rs.MoveNext())
        indices << rs.Valor(1).toString() + ":" + rs.Valor(2).toString();
    return indices;
}

QString Modo(qm::Conexion& cn) {
    return cn.Consulta("SELECT @@SESSION.sql_mode").Valor(0).toString();
}

// The two databases of one start-up, set up as the profile says.
struct Bases {
    explicit Bases(const prueba::PerfilDatos& perfil = prueba::PerfilesDatos().front())
        : bases(perfil) {}
    prueba::BasesDePerfil bases;
    qm::Conexion cn = prueba::Conecta(bases.principal.nombre());
    qm::Conexion cnReportes = prueba::Conecta(bases.reportes.nombre());
    qm::BasesDD BasesDD;
    QString cSQL;
};

class PreparaTablasPerfil : public testing::TestWithParam<prueba::PerfilDatos> {};

TEST(PreparaTablas, SentenciaDeCreacionEnTreceTrozos) {
    EXPECT_EQ(movimientos::SentenciaCreaRavesta(),
              "CREATE TABLE if not exists `ravesta` (`Cliente` varchar(10) NOT NULL DEFAULT "
              "'',`Fecha` date NOT NULL DEFAULT '0000-00-00',`Hora` varchar(8) NOT NULL DEFAULT "
              "'00:00:00',`Movimiento` varchar(20) NOT NULL DEFAULT '',`Folio` varchar(10) NOT "
              "NULL DEFAULT '',`Ventas` double NOT NULL DEFAULT '0',`Devoluciones` double NOT "
              "NULL DEFAULT '0',`Pagos` double NOT NULL DEFAULT '0',`SaldoAnterior` double NOT "
              "NULL DEFAULT '0',`SaldoActual` double NOT NULL DEFAULT '0',KEY "
              "(`Cliente`,`Fecha`,`Hora`)) ENGINE=MyISAM");
}

// In the server's mode and in every set-up of the databases: the tables come out as defined,
// and both sessions keep their mode.
TEST_P(PreparaTablasPerfil, CreaRavestaYSuCopiaConLasColumnasExactas) {
    Bases b(GetParam());
    const QString modo = Modo(b.cn);
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    EXPECT_EQ(Modo(b.cn), modo);
    EXPECT_EQ(Modo(b.cnReportes), modo);

    const std::vector<std::array<const char*, 4>> esperadas = {
        {"Cliente", "varchar(10)", "NO", "''"},     {"Fecha", "date", "NO", "'0000-00-00'"},
        {"Hora", "varchar(8)", "NO", "'00:00:00'"}, {"Movimiento", "varchar(20)", "NO", "''"},
        {"Folio", "varchar(10)", "NO", "''"},       {"Ventas", "double", "NO", "0"},
        {"Devoluciones", "double", "NO", "0"},      {"Pagos", "double", "NO", "0"},
        {"SaldoAnterior", "double", "NO", "0"},     {"SaldoActual", "double", "NO", "0"},
    };
    for (auto [cn, tabla] :
         {std::pair{&b.cnReportes, QString("ravesta")}, std::pair{&b.cn, QString("tmpravesta")}}) {
        SCOPED_TRACE(tabla.toStdString());
        const std::vector<Columna> columnas = Columnas(*cn, tabla);
        ASSERT_EQ(columnas.size(), esperadas.size());
        for (size_t i = 0; i < columnas.size(); ++i) {
            EXPECT_EQ(columnas[i].nombre, esperadas[i][0]);
            EXPECT_EQ(columnas[i].tipo, esperadas[i][1]);
            EXPECT_EQ(columnas[i].nulo, esperadas[i][2]);
            EXPECT_EQ(columnas[i].defecto, esperadas[i][3]);
        }
        EXPECT_EQ(Motor(*cn, tabla), "MyISAM");
        EXPECT_EQ(Indices(*cn, tabla), QStringList{"1:Cliente,Fecha,Hora"});
    }
    // The copy lives only in the main database; ravesta only in the reports one.
    EXPECT_FALSE(b.BasesDD.HayTabla("tmpravesta", b.cnReportes));
    EXPECT_FALSE(b.BasesDD.HayTabla("ravesta", b.cn));
    // cSQL ends with the copy's creation text.
    EXPECT_TRUE(b.cSQL.startsWith("CREATE TABLE `tmpravesta` (")) << b.cSQL.toStdString();
    EXPECT_FALSE(b.cSQL.contains("`ravesta`"));
    // A second start over both tables works the same.
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    EXPECT_EQ(Columnas(b.cn, "tmpravesta").size(), esperadas.size());
    EXPECT_EQ(Modo(b.cn), modo);
}

INSTANTIATE_TEST_SUITE_P(Perfiles, PreparaTablasPerfil, testing::ValuesIn(prueba::PerfilesDatos()),
                         [](const auto& info) { return prueba::NombrePerfil(info.param); });

// Whatever mode the sessions run in, it is the same to the letter afterwards; the tables are
// made in each.
TEST(PreparaTablas, CadaModoDeSesionVuelveIntacto) {
    const QStringList modos = {
        "",
        "TRADITIONAL",
        "ONLY_FULL_GROUP_BY,STRICT_TRANS_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,"
        "ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION",
        "STRICT_ALL_TABLES,NO_ZERO_DATE,NO_BACKSLASH_ESCAPES",
        "ANSI_QUOTES,NO_ZERO_IN_DATE,STRICT_TRANS_TABLES",
    };
    for (const QString& pedido : modos) {
        Bases b;
        b.cn.Execute("SET SESSION sql_mode='" + pedido + "'");
        b.cnReportes.Execute("SET SESSION sql_mode='" + pedido + "'");
        const QString modo = Modo(b.cn);
        EXPECT_NO_THROW(movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL))
            << pedido.toStdString();
        EXPECT_EQ(Modo(b.cn), modo);
        EXPECT_EQ(Modo(b.cnReportes), modo);
        EXPECT_TRUE(b.BasesDD.HayTabla("tmpravesta", b.cn)) << pedido.toStdString();
    }
}

// A failing statement still gives the session its mode back.
TEST(PreparaTablas, ElModoVuelveTambienTrasUnFallo) {
    Bases b;
    b.cn.Execute("SET SESSION sql_mode='NO_ZERO_DATE,STRICT_ALL_TABLES'");
    const QString modo = Modo(b.cn);
    // A ravesta whose copy cannot be made: a view by that name in the main database.
    {
        prueba::SinModoEstricto libre(b.cnReportes);
        b.cnReportes.Execute(movimientos::SentenciaCreaRavesta());
    }
    b.cn.Execute("CREATE VIEW tmpravesta AS SELECT 1 AS x");
    EXPECT_THROW(movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL), qm::Error);
    EXPECT_EQ(Modo(b.cn), modo);
}

TEST(PreparaTablas, RavestaExistenteConColumnaExtraPasaALaCopia) {
    Bases b;
    {
        prueba::SinModoEstricto libre(b.cnReportes);
        b.cnReportes.Execute(movimientos::SentenciaCreaRavesta());
        b.cnReportes.Execute(
            "ALTER TABLE ravesta ADD COLUMN `Nota` varchar(30) NOT NULL DEFAULT 'sin nota'");
    }
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    const std::vector<Columna> columnas = Columnas(b.cn, "tmpravesta");
    ASSERT_EQ(columnas.size(), 11u);
    EXPECT_EQ(columnas[10].nombre, "Nota");
    EXPECT_EQ(columnas[10].defecto, "'sin nota'");
    EXPECT_TRUE(b.cSQL.contains("`Nota`"));
    // The existing ravesta is not re-created: a row put there stays.
    EXPECT_EQ(Columnas(b.cnReportes, "ravesta").size(), 11u);
}

TEST(PreparaTablas, CopiaSobranteConFilasSeVuelveACrearVacia) {
    Bases b;
    b.cn.Execute("CREATE TABLE tmpravesta (Cliente varchar(10), Otra int) ENGINE=InnoDB");
    b.cn.Execute("INSERT INTO tmpravesta VALUES ('C1', 1), ('C2', 2)");
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    EXPECT_EQ(b.cn.Consulta("SELECT COUNT(*) FROM tmpravesta").Valor(0).toLongLong(), 0);
    EXPECT_EQ(Columnas(b.cn, "tmpravesta").size(), 10u);
    EXPECT_EQ(Motor(b.cn, "tmpravesta"), "MyISAM");

    // A second start over a filled copy does the same.
    b.cn.Execute("INSERT INTO tmpravesta (Cliente, Fecha) VALUES ('C1', '2024-01-01')");
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    EXPECT_EQ(b.cn.Consulta("SELECT COUNT(*) FROM tmpravesta").Valor(0).toLongLong(), 0);
}

TEST(PreparaTablas, SoloCambiaRavestaConMayusculasExactas) {
    Bases b;
    // A comment holding other spellings keeps them; every "ravesta" becomes "tmpravesta".
    b.cnReportes.Execute("CREATE TABLE ravesta (Cliente varchar(10) NOT NULL DEFAULT '' COMMENT "
                         "'RAVESTA de ravesta') ENGINE=MyISAM");
    movimientos::PreparaTablas(b.BasesDD, b.cn, b.cnReportes, b.cSQL);
    EXPECT_TRUE(b.cSQL.contains("'RAVESTA de tmpravesta'")) << b.cSQL.toStdString();
    EXPECT_TRUE(b.BasesDD.HayTabla("tmpravesta", b.cn));
}

} // namespace
