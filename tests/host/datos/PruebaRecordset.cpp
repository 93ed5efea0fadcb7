#include "host/BasesDD.h"
#include "host/Conexion.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "tests/support/ServidorPrueba.h"

#include <QDate>
#include <bit>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

class Recordsets : public ::testing::Test {
protected:
    prueba::BaseTemporal base_{"rs"};
    qm::Conexion cn_ = prueba::Conecta(base_.nombre());
    qm::BasesDD bdd_;

    QStringList Columna(const QString& sql) {
        QStringList valores;
        for (qm::Recordset rs = cn_.Consulta(sql); !rs.Eof(); rs.MoveNext())
            valores << (rs.Valor(0).isNull() ? QStringLiteral("NULL") : rs.Valor(0).toString());
        return valores;
    }
};

std::uint64_t Bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

TEST_F(Recordsets, TiposDeLosValores) {
    cn_.Execute("SET SESSION sql_mode=''");
    cn_.Execute("CREATE TABLE t (e INT, g BIGINT UNSIGNED, d DOUBLE, m DECIMAL(10,2), f DATE, "
                "z DATE, h DATETIME, x VARCHAR(40), n VARCHAR(5))");
    cn_.Execute("INSERT INTO t VALUES (-7, 18446744073709551615, 0.1, 12.35, '2024-02-29', "
                "'0000-00-00', '2024-01-02 03:04:05', 'Remisión', NULL)");
    qm::Recordset rs = cn_.Consulta("SELECT * FROM t");
    ASSERT_FALSE(rs.Eof());
    ASSERT_EQ(rs.Campos(), 9);
    EXPECT_EQ(rs.NombreCampo(3), "m");
    EXPECT_EQ(rs.Valor("e").metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(rs.Valor("e").toLongLong(), -7);
    EXPECT_EQ(rs.Valor("g").toULongLong(), 18446744073709551615ull);
    EXPECT_EQ(rs.Valor("d").metaType().id(), QMetaType::Double);
    EXPECT_EQ(Bits(rs.Valor("d").toDouble()), Bits(0.1));
    EXPECT_EQ(rs.Valor("m").metaType().id(), QMetaType::Double);
    EXPECT_EQ(rs.Valor("m").toDouble(), 12.35);
    EXPECT_EQ(rs.Valor("f").toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(rs.Valor("f").metaType().id(), QMetaType::QDate);
    EXPECT_EQ(rs.Valor("z").toString(), "0000-00-00");
    EXPECT_EQ(rs.Valor("h").toString(), "2024-01-02 03:04:05");
    EXPECT_EQ(rs.Valor("X").toString(), QString::fromUtf8("Remisión"));
    EXPECT_TRUE(rs.Valor("n").isNull());
    EXPECT_EQ(rs.Valor(7), rs.Valor("x"));
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.Valor(0), qm::Error);
}

TEST_F(Recordsets, CampoDesconocidoEsError3265ConSuNombre) {
    qm::Recordset rs = cn_.Consulta("SELECT 1 AS uno");
    EXPECT_EQ(rs.Valor("UNO").toLongLong(), 1);
    try {
        rs.Valor("dos");
        FAIL();
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::CampoNoEncontrado);
        EXPECT_TRUE(e.descripcion().contains("dos"));
    }
    EXPECT_THROW(rs.Valor(1), qm::Error);
}

TEST_F(Recordsets, AgregaFilasConLasColumnasAsignadas) {
    cn_.Execute("CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, x VARCHAR(40), "
                "d DOUBLE, f DATE, k INT DEFAULT 9)");
    const std::vector<double> dobles = {0.1 + 0.2, 1.0 / 3.0, -1e-300, 123456789.123456789};
    const QStringList textos = {QString::fromUtf8("Remisión"), QString::fromUtf8("Devolución"),
                                "O'Brien \\", ""};
    qm::Recordset rs;
    EXPECT_FALSE(bdd_.AbrirTabla(rs, cn_, "t"));
    for (std::size_t i = 0; i < dobles.size(); ++i) {
        rs.AddNew();
        rs.Asigna("x", textos[static_cast<int>(i)]);
        rs.Asigna("D", dobles[i]);
        rs.Asigna("f", QDate(2024, 12, static_cast<int>(i) + 1));
        rs.Update();
        EXPECT_EQ(rs.Valor("id").toLongLong(), static_cast<long long>(i) + 1);
    }
    ASSERT_TRUE(bdd_.AbrirTabla(rs, cn_, "t order by id"));
    for (std::size_t i = 0; i < dobles.size(); ++i, rs.MoveNext()) {
        ASSERT_FALSE(rs.Eof());
        EXPECT_EQ(rs.Valor("x").toString(), textos[static_cast<int>(i)]);
        EXPECT_EQ(Bits(rs.Valor("d").toDouble()), Bits(dobles[i])) << i;
        EXPECT_EQ(rs.Valor("f").toDate(), QDate(2024, 12, static_cast<int>(i) + 1));
        EXPECT_EQ(rs.Valor("k").toLongLong(), 9);
    }
    EXPECT_TRUE(rs.Eof());
}

TEST_F(Recordsets, FilasIgualesRecibenCadaUnaLoSuyoEnElOrdenRecorrido) {
    cn_.Execute("CREATE TABLE t (c VARCHAR(10), s DOUBLE, m DECIMAL(10,2), r FLOAT, n INT)");
    cn_.Execute("INSERT INTO t VALUES ('A', 0.1, 1.10, 1.1, NULL), ('A', 0.1, 1.10, 1.1, NULL), "
                "('a', 0.1, 1.10, 1.1, NULL)");
    qm::Recordset rs;
    ASSERT_TRUE(bdd_.AbrirTabla(rs, cn_, "t where c = 'A'"));
    ASSERT_EQ(rs.filas(), 3);
    for (int i = 1; !rs.Eof(); ++i) {
        rs.Asigna("n", i);
        rs.MoveNext();
    }
    EXPECT_EQ(Columna("SELECT n FROM t"), QStringList({"1", "2", "3"}));

    // The row kept in memory holds the new values, so the same row can change again.
    ASSERT_TRUE(bdd_.AbrirTabla(rs, cn_, "t where n = 3"));
    rs.Asigna("s", 1.0 / 3.0);
    rs.Asigna("m", 2.345);
    rs.Asigna("r", 2.2);
    rs.Update();
    EXPECT_EQ(Bits(rs.Valor("s").toDouble()), Bits(1.0 / 3.0));
    rs.Asigna("c", QString::fromUtf8("Devolución"));
    rs.Update();
    EXPECT_EQ(Columna("SELECT c FROM t ORDER BY n"),
              QStringList({"A", "A", QString::fromUtf8("Devolución")}));
    EXPECT_EQ(Columna("SELECT m FROM t ORDER BY n"), QStringList({"1.1", "1.1", "2.35"}));
}

TEST_F(Recordsets, LaFilaSeReconoceConMayusculasExactas) {
    cn_.Execute("CREATE TABLE t (c VARCHAR(10), n INT)");
    cn_.Execute("INSERT INTO t VALUES ('a', 0), ('A', 0)");
    qm::Recordset rs;
    ASSERT_TRUE(bdd_.AbrirTabla(rs, cn_, "t where c = 'A' collate utf8mb4_bin"));
    rs.Asigna("n", 7);
    rs.Update();
    EXPECT_EQ(Columna("SELECT n FROM t"), QStringList({"0", "7"}));
}

TEST_F(Recordsets, FilaQueYaNoEstaEsError) {
    cn_.Execute("CREATE TABLE t (a INT)");
    cn_.Execute("INSERT INTO t VALUES (1)");
    qm::Recordset rs = cn_.Consulta("SELECT a FROM t");
    cn_.Execute("DELETE FROM t");
    rs.Asigna("a", 2);
    EXPECT_THROW(rs.Update(), qm::Error);
}

TEST_F(Recordsets, SoloSeGuardanColumnasDeUnaTabla) {
    cn_.Execute("CREATE TABLE t (a INT)");
    cn_.Execute("INSERT INTO t VALUES (1)");
    qm::Recordset rs = cn_.Consulta("SELECT a, a + 1 AS b FROM t");
    EXPECT_THROW(rs.Asigna("b", 5), qm::Error);
}

TEST_F(Recordsets, SigueAbiertoConElHandleMovido) {
    cn_.Execute("CREATE TABLE t (a INT)");
    cn_.Execute("INSERT INTO t VALUES (1)");
    qm::Recordset rs = cn_.Consulta("SELECT a FROM t");
    qm::Conexion otro = std::move(cn_);
    rs.Asigna("a", 4);
    rs.Update();
    EXPECT_EQ(otro.Consulta("SELECT a FROM t").Valor(0).toLongLong(), 4);
}

TEST_F(Recordsets, CerradoONuncaAbierto) {
    qm::Recordset rs;
    EXPECT_FALSE(rs.abierto());
    EXPECT_NO_THROW(rs.Cierra());
    EXPECT_THROW(rs.Eof(), qm::Error);
    EXPECT_NO_THROW(bdd_.CierraTabla(rs));
}

} // namespace
