// The builder against the reference under every server profile (this executable runs once per
// sql_mode profile) and every set-up of the databases (rows of parameterised tests).
#include "demo/datos/DatosHost.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"
#include "tests/movements/ApoyoMovimientos.h"
#include "tests/support/LenguajeMySQL55.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using movimientos::Solicitud;
using prueba::Ambos;
using prueba::Devolucion;
using prueba::Estado;
using prueba::Host;
using prueba::kTodo;
using prueba::PerfilDatos;
using prueba::Venta;

// Spellings of one code, text times that sort unlike clock times, statement rows on the
// earliest date only, codes beyond ASCII and with a quote.
void AgregaCasosDificiles(qm::Conexion& cn) {
    Estado(cn, "Ñ01", "2024-02-01", "09:00:00", "e5", "CARGO", 0, 40);
    Venta(cn, "facturas", "ñ01", "2024-03-04", "10:00:00", "", 6, 2.5);
    Estado(cn, "O'B", "2024-03-06", "08:00:00", "e6", "CARGO", 0, 9);
    Estado(cn, "O'B", "2024-03-06", "07:00:00", "e7", "CARGO", 0, 8);
    Venta(cn, "remisiones", "O'B", "2024-03-06", "09:00:00", "", 7, 1.5);
    Estado(cn, "C001", "2024-02-01", "09:00:00", "e1", "CARGO", 0, 100);
    Estado(cn, "c001", "2024-02-03", "09:00:00", "e2", "CARGO", 0, 70);
    Venta(cn, "remisiones", "c001", "2024-03-02", "9:05:00", "A", 1, 10.1);
    Venta(cn, "remisiones", "C001 ", "2024-03-02", "10:00:00", "A", 2, 0.2);
    Venta(cn, "facturas", "C001", "2024-03-01", "10:00:00", "", 3, 0.3);
    Devolucion(cn, "c001", "2024-03-02", "9:05:00", 4, 1.1);
    Estado(cn, "C001 ", "2024-03-02", "9:05:00", "p1", "PAGO", 2.5, 0);
    Estado(cn, "T9", "2024-03-05", "10:00:00", "s2", "CARGO", 0, 12.5);
    Estado(cn, "T9", "2024-03-05", "08:00:00", "s1", "CARGO", 0, 11.5);
    Venta(cn, "facturas", "T9", "2024-03-05", "11:00:00", "", 5, 1);
    Estado(cn, "T9", "2024-03-05", "12:00:00", "p2", "PAGO", 0.5, 0);
}

class Perfil : public testing::TestWithParam<PerfilDatos> {};

TEST_P(Perfil, RapidoIgualAReferenciaBitABit) {
    Host h(GetParam());
    demo::OpcionesDatos o;
    o.semilla = 5;
    o.clientes = 30;
    o.movimientos = 1500;
    o.desde = QDate(2024, 1, 1);
    o.hasta = QDate(2024, 6, 30);
    demo::ResumenDatos r;
    {
        prueba::SinModoEstricto libre(h.cn);
        r = demo::GeneraDatos(h.cn, o);
    }
    prueba::AjustaTablasHost(h.cn, GetParam());
    AgregaCasosDificiles(h.cn);
    for (const Solicitud& s : {kTodo, Solicitud{"01/03/2024", "30/04/2024", ""},
                               Solicitud{"__/__/____", "__/__/____", "c001"},
                               Solicitud{"__/__/____", "31/05/2024", r.claves.value(3)}}) {
        SCOPED_TRACE(s.fechaInicial.toStdString() + " " + s.cliente.toStdString());
        const prueba::Resultado rapido = Ambos(h, s);
        EXPECT_EQ(rapido.error, 0) << rapido.mensaje.toStdString();
        EXPECT_FALSE(rapido.filas.empty());
        EXPECT_EQ(prueba::Incumplidas(h.cn), 0);
    }
}

// "C001", "c001" and "C001 " are one customer in a _ci working table: one chain, from the
// statement balance of the last statement row of any spelling before its first movement. The
// session's group_concat_max_len is too short for the list of its spellings.
TEST_P(Perfil, TresGrafiasUnCliente) {
    Host h(GetParam());
    h.cn.Execute("SET SESSION group_concat_max_len=4");
    AgregaCasosDificiles(h.cn);
    const prueba::Resultado r = Ambos(h);
    ASSERT_EQ(r.error, 0) << r.mensaje.toStdString();
    std::vector<prueba::Fila> cadena;
    for (const prueba::Fila& f : r.filas)
        if (f.cliente.trimmed().compare("C001", Qt::CaseInsensitive) == 0)
            cadena.push_back(f);
    ASSERT_EQ(cadena.size(), 5u);
    // In walk order (date, time as stored, then order of addition) every row starts from the
    // one before; the first, the invoice of 03-01, from c001's statement balance of 02-03.
    std::stable_sort(cadena.begin(), cadena.end(), [](const auto& a, const auto& b) {
        return std::pair(a.fecha, a.hora) < std::pair(b.fecha, b.hora);
    });
    EXPECT_EQ(cadena[0].folio, "3");
    EXPECT_EQ(cadena[0].anterior, 70.0);
    for (std::size_t i = 1; i < cadena.size(); ++i)
        EXPECT_TRUE(prueba::MismosBits(cadena[i].anterior, cadena[i - 1].actual)) << cadena[i];
}

INSTANTIATE_TEST_SUITE_P(Datos, Perfil, testing::ValuesIn(prueba::PerfilesDatos()),
                         [](const auto& info) { return prueba::NombrePerfil(info.param); });

// Text times compare as text: "10:00:00" walks before "9:05:00" on one date.
TEST(Orden, HorasDeTextoSeComparanComoTexto) {
    Host h;
    Estado(h.cn, "C1", "2024-02-01", "09:00:00", "e", "CARGO", 0, 5);
    Venta(h.cn, "remisiones", "C1", "2024-03-01", "9:05:00", "", 1, 1);
    Venta(h.cn, "remisiones", "C1", "2024-03-01", "10:00:00", "", 2, 2);
    const auto filas = Ambos(h).filas;
    ASSERT_EQ(filas.size(), 2u);
    EXPECT_EQ(filas[1].anterior, 5.0);
    EXPECT_EQ(filas[1].actual, 7.0);
    EXPECT_EQ(filas[0].anterior, 7.0);
    EXPECT_EQ(filas[0].actual, 8.0);
}

// With codes under a binary collation that does not pad (no two spellings equal), the host
// holds three customers. In a _ci working table they are still one group, whose opening balance
// comes from its first row's spelling alone; in a working table of that collation they are
// three, each with its own balance.
TEST(Colaciones, ColumnaBinariaDelHostSonTresClientes) {
    const PerfilDatos base = prueba::PerfilesDatos().front();
    PerfilDatos bin = base;
    bin.colacionHost = "utf8mb4_nopad_bin";
    PerfilDatos todoBin = bin;
    todoBin.colacionReportes = "utf8mb4_nopad_bin";
    for (const PerfilDatos& perfil : {bin, todoBin}) {
        SCOPED_TRACE(perfil.colacionReportes);
        Host h(perfil);
        Estado(h.cn, "C001", "2024-02-01", "09:00:00", "e1", "CARGO", 0, 100);
        Estado(h.cn, "c001", "2024-02-01", "09:00:00", "e2", "CARGO", 0, 200);
        Estado(h.cn, "C001 ", "2024-02-01", "09:00:00", "e3", "CARGO", 0, 300);
        Venta(h.cn, "remisiones", "C001", "2024-03-01", "10:00:00", "", 1, 1);
        Venta(h.cn, "remisiones", "c001", "2024-03-02", "10:00:00", "", 2, 2);
        Venta(h.cn, "remisiones", "C001 ", "2024-03-03", "10:00:00", "", 3, 4);
        const auto filas = Ambos(h).filas;
        ASSERT_EQ(filas.size(), 3u);
        if (perfil.colacionReportes == base.colacionReportes) {
            EXPECT_EQ(filas[0].anterior, 100.0);
            EXPECT_EQ(filas[1].anterior, 101.0);
            EXPECT_EQ(filas[2].anterior, 103.0);
        } else {
            EXPECT_EQ(filas[0].anterior, 100.0);
            EXPECT_EQ(filas[1].anterior, 200.0);
            EXPECT_EQ(filas[2].anterior, 300.0);
        }
        // Asked for one spelling, the host's collation picks its rows alone.
        const auto una = Ambos(h, {"__/__/____", "__/__/____", "c001"}).filas;
        ASSERT_EQ(una.size(), 1u);
        EXPECT_EQ(una[0].anterior, 200.0);
    }
}

// A NULL in a source column that tmpravesta takes as NOT NULL ends the build as the
// single-row insert does: 1048 in strict and lenient sessions, the rows before it kept. A
// NULL document number of a sale only leaves the folio without it.
TEST(Nulos, ComoLaInsercionDeUnaFila) {
    struct Caso {
        const char* tabla;
        const char* columna;
        const char* tipo;
        bool falla;
    };
    const Caso casos[] = {
        {"remisiones", "Cliente", "varchar(10)", true},
        {"remisiones", "Fecha", "date", true},
        {"remisiones", "Hora", "varchar(8)", true},
        {"remisiones", "Factura", "int", false},
        {"facturas", "Cliente", "varchar(10)", true},
        {"facturas", "Fecha", "date", true},
        {"facturas", "Hora", "varchar(8)", true},
        {"facturas", "Factura", "int", false},
        {"devolucionctes", "Cliente", "varchar(10)", true},
        {"devolucionctes", "Fecha", "date", true},
        {"devolucionctes", "Hora", "varchar(8)", true},
        {"devolucionctes", "DevolucionCtes", "int", true},
        {"edoctacli", "Clave", "varchar(10)", true},
        {"edoctacli", "Fecha", "date", true},
        {"edoctacli", "Hora", "varchar(8)", true},
        {"edoctacli", "Folio", "varchar(10)", true},
    };
    for (const QString& modo : {QStringLiteral("STRICT_TRANS_TABLES"), QString()}) {
        for (const Caso& c : casos) {
            SCOPED_TRACE(modo.toStdString() + " " + c.tabla + "." + c.columna);
            Host h;
            h.cn.Execute("SET SESSION sql_mode='" + modo + "'");
            {
                prueba::SinModoEstricto libre(h.cn);
                h.cn.Execute(QStringLiteral("ALTER TABLE %1 MODIFY %2 %3 NULL")
                                 .arg(c.tabla, c.columna, c.tipo));
            }
            Venta(h.cn, "remisiones", "C1", "2024-03-01", "10:00:00", "A", 1, 1);
            Venta(h.cn, "facturas", "C1", "2024-03-01", "11:00:00", "B", 2, 2);
            Devolucion(h.cn, "C1", "2024-03-01", "12:00:00", 3, 1);
            Estado(h.cn, "C1", "2024-03-01", "13:00:00", "4", "PAGO", 1, 0);
            // The same again, the second of the source's rows with the NULL.
            Venta(h.cn, "remisiones", "C2", "2024-03-02", "10:00:00", "A", 5, 1);
            Venta(h.cn, "facturas", "C2", "2024-03-02", "11:00:00", "B", 6, 2);
            Devolucion(h.cn, "C2", "2024-03-02", "12:00:00", 7, 1);
            Estado(h.cn, "C2", "2024-03-02", "13:00:00", "8", "PAGO", 1, 0);
            h.cn.Execute(
                QStringLiteral("UPDATE %1 SET %2=NULL WHERE Id=2").arg(c.tabla, c.columna));
            const prueba::Resultado r = Ambos(h);
            EXPECT_EQ(r.error, c.falla ? 1048 : 0) << r.mensaje.toStdString();
            if (c.falla) {
                EXPECT_TRUE(r.mensaje.contains(c.tabla)) << r.mensaje.toStdString();
                EXPECT_TRUE(r.mensaje.contains("cliente C2") || r.mensaje.contains("(nulo)"))
                    << r.mensaje.toStdString();
            }
        }
    }
}

// A ravesta with an AUTO_INCREMENT key and another extra column: the working copy has them
// too, and they take their defaults.
TEST(Ravesta, ConClaveAutoincrementalYColumnaExtra) {
    Host h;
    {
        qm::Conexion cnReportes = prueba::Conecta(h.bases.reportes.nombre());
        prueba::SinModoEstricto libre(cnReportes);
        cnReportes.Execute("ALTER TABLE ravesta ADD COLUMN Id int AUTO_INCREMENT PRIMARY KEY "
                           "FIRST, ADD COLUMN Nota varchar(20) NOT NULL DEFAULT 'sin nota'");
        movimientos::PreparaTablas(h.BasesDD, h.cn, cnReportes, h.cSQL);
    }
    AgregaCasosDificiles(h.cn);
    const prueba::Resultado r = Ambos(h);
    ASSERT_EQ(r.error, 0) << r.mensaje.toStdString();
    qm::Recordset rs = h.cn.Consulta("SELECT Id, Nota FROM tmpravesta");
    long long esperado = 1; // the truncate starts the key again
    for (; !rs.Eof(); rs.MoveNext(), ++esperado) {
        EXPECT_EQ(rs.Valor(0).toLongLong(), esperado);
        EXPECT_EQ(rs.Valor(1).toString(), "sin nota");
    }
    EXPECT_EQ(rs.filas(), static_cast<int>(r.filas.size()));
}

QStringList Tablas(qm::Conexion& cn) {
    QStringList tablas;
    for (qm::Recordset rs = cn.Consulta("SHOW TABLES"); !rs.Eof(); rs.MoveNext())
        tablas << rs.Valor(0).toString();
    tablas.sort();
    return tablas;
}

// A build whose session is killed half-way leaves no table behind, and the next build works.
TEST(Construccion, MuertaAMitadNoDejaTablas) {
    Host h;
    AgregaCasosDificiles(h.cn);
    qm::Conexion otra = prueba::Conecta(h.bases.principal.nombre());
    const QStringList antes = Tablas(otra);
    const QString id = h.cn.Consulta("SELECT CONNECTION_ID()").Valor(0).toString();
    bool muerta = false;
    h.cn.PonObservador([&](const QString& sql) {
        if (muerta || !sql.startsWith("INSERT INTO tmpravesta"))
            return;
        muerta = true;
        otra.Execute("KILL " + id);
        // Wait until the server has let the session go.
        while (otra.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID=" + id)
                   .Valor(0)
                   .toInt() != 0) {
        }
    });
    EXPECT_THROW(h.Rapido(kTodo), qm::Error);
    EXPECT_TRUE(muerta);
    h.cn.PonObservador({});
    EXPECT_EQ(Tablas(otra), antes);
    EXPECT_EQ(Ambos(h).error, 0);
    EXPECT_EQ(Tablas(otra), antes);
}

// A session whose MEMORY tables may hold very little (MySQL's default is 16 MB) still builds,
// and keeps its setting; so do the session's mode and group_concat_max_len, and the build's
// numbering variable is left unset.
TEST(Construccion, SesionConTopesPequenos) {
    Host h;
    demo::OpcionesDatos o;
    o.clientes = 20;
    o.movimientos = 3000;
    o.desde = QDate(2024, 1, 1);
    o.hasta = QDate(2024, 6, 30);
    {
        prueba::SinModoEstricto libre(h.cn);
        demo::GeneraDatos(h.cn, o);
    }
    h.cn.Execute("SET SESSION max_heap_table_size=16384");
    h.cn.Execute("SET SESSION group_concat_max_len=4");
    const auto variables = [&] {
        return h.cn
            .Consulta("SELECT CONCAT_WS(' ', @@SESSION.max_heap_table_size, "
                      "@@SESSION.group_concat_max_len, @@SESSION.sql_mode, "
                      "IFNULL(@qm_orden, 'sin numerar'))")
            .Valor(0)
            .toString();
    };
    const QString antes = variables();
    const prueba::Resultado r = Ambos(h);
    EXPECT_EQ(r.error, 0) << r.mensaje.toStdString();
    EXPECT_GT(r.filas.size(), 2000u);
    EXPECT_EQ(variables(), antes);
}

// Every statement of start-up's tables, a customer lookup and builds (one failing) is in
// MySQL 5.5's language.
TEST(Lenguaje, TodoLoQueSeEnviaLoTieneMySQL55) {
    Host h;
    qm::Conexion cnReportes = prueba::Conecta(h.bases.reportes.nombre());
    AgregaCasosDificiles(h.cn);
    QStringList enviadas;
    const auto anota = [&](const QString& sql) { enviadas << sql; };
    h.cn.PonObservador(anota);
    cnReportes.PonObservador(anota);

    movimientos::PreparaTablas(h.BasesDD, h.cn, cnReportes, h.cSQL);
    qm::Recordset cliente;
    h.BasesDD.AbrirTabla(cliente, h.cn,
                         h.Utilerias.CambXXX("clientes where Clave='XXX'", h.cn.Escapa("O'B\\")),
                         "Nombre");
    h.Rapido(kTodo);
    h.Rapido({"01/03/2024", "31/03/2024", "c001"});
    h.cn.PonObservador({});
    {
        prueba::SinModoEstricto libre(h.cn);
        h.cn.Execute("ALTER TABLE remisiones MODIFY Hora varchar(8) NULL");
        h.cn.Execute("UPDATE remisiones SET Hora=NULL");
    }
    h.cn.PonObservador(anota);
    EXPECT_THROW(h.Rapido(kTodo), qm::Error);

    ASSERT_GT(enviadas.size(), 10);
    prueba::LenguajeMySQL55 lenguaje;
    for (const QString& sql : enviadas)
        EXPECT_EQ(lenguaje.Revisa(sql).join("; ").toStdString(), "") << sql.left(300).toStdString();
}

// The check itself names what MySQL 5.5 lacks, so that the test above fails when it appears.
TEST(Lenguaje, LaRevisionReconoceLoQueFalta) {
    prueba::LenguajeMySQL55 l;
    EXPECT_TRUE(l.Revisa("CREATE TEMPORARY TABLE qm_x (a int) ENGINE=MyISAM").isEmpty());
    const char* malas[] = {
        "SELECT SUM(a) OVER (PARTITION BY b) FROM t",
        "SELECT ROW_NUMBER() OVER w FROM t WINDOW w AS (ORDER BY a)",
        "WITH c AS (SELECT 1) SELECT * FROM c",
        "SELECT CAST(a AS DOUBLE) FROM t",
        "SELECT JSON_EXTRACT(a, '$.b') FROM t",
        "SELECT WEIGHT_STRING(a) FROM t",
        "LOAD DATA LOCAL INFILE 'f' INTO TABLE t",
        "CREATE TEMPORARY TABLE qm_m (a int) ENGINE=MEMORY",
        "INSERT INTO t SELECT a FROM qm_x JOIN qm_x y ON 1",
        "SELECT a FROM qm_x WHERE a IN (SELECT a FROM qm_x)",
        "CREATE OR REPLACE TABLE t (a int)",
        "DELETE FROM t RETURNING a",
    };
    for (const char* sql : malas)
        EXPECT_FALSE(l.Revisa(sql).isEmpty()) << sql;
    EXPECT_FALSE(l.Revisa(QString(1100000, 'x')).isEmpty());
    // Quoted texts are data, not SQL.
    EXPECT_TRUE(l.Revisa("SELECT 1 FROM t WHERE a='x OVER (y) JSON_A(' AND b=1").isEmpty());
    EXPECT_EQ(l.Revisa("INSERT INTO tmpravesta (a) SELECT m.a FROM qm_x m JOIN qm_y s ON 1")
                  .join("; ")
                  .toStdString(),
              "");
}

} // namespace
