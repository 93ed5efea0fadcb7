// The rights docs/permisos.sql grants, exactly: with all of them a Print runs from start-up to
// the report on screen; with any one taken away, the message names that right and its table.
#include "app/frmPrincipal.h"
#include "demo/datos/DatosHost.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/app/InstalacionPrueba.h"
#include "tests/support/EntornoPrueba.h"
#include "tests/support/ServidorPrueba.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace prueba {
namespace {

// One right on one table ("*": the whole database) of the file, as written there.
struct Derecho {
    QString derecho;
    QString base;
    QString tabla;
};

void PrintTo(const Derecho& d, std::ostream* os) {
    *os << d.derecho.toStdString() << " ON " << d.base.toStdString() << "."
        << d.tabla.toStdString();
}

QStringList Grants() {
    const QString texto =
        QString::fromUtf8(LeeArchivo(QStringLiteral(QUILTARO_SOURCE_DIR "/docs/permisos.sql")));
    QStringList grants;
    for (const QString& linea : texto.split(QLatin1Char('\n')))
        if (linea.startsWith(QLatin1String("GRANT ")))
            grants << linea.trimmed().chopped(1);
    return grants;
}

std::vector<Derecho> Derechos() {
    static const QRegularExpression forma(
        QStringLiteral("^GRANT (.+) ON (\\w+)\\.(\\w+|\\*) TO 'caja'@'%'$"));
    std::vector<Derecho> derechos;
    for (const QString& grant : Grants()) {
        const QRegularExpressionMatch m = forma.match(grant);
        if (!m.hasMatch())
            throw std::runtime_error("GRANT no reconocido: " + grant.toStdString());
        for (const QString& d : m.captured(1).split(QLatin1Char(',')))
            derechos.push_back({d.trimmed(), m.captured(2), m.captured(3)});
    }
    return derechos;
}

// The user of the file, with a password that a connection text cannot carry bare, on a host
// database of the test's own; dropped at the end.
class Caja {
public:
    explicit Caja(const QString& base)
        : cn_(Conecta()), base_(base),
          nombre_(QStringLiteral("caja%1").arg(QCoreApplication::applicationPid())) {
        for (const char* anfitrion : {"localhost", "%"}) {
            cn_.Execute(QStringLiteral("CREATE OR REPLACE USER '%1'@'%2' IDENTIFIED BY '%3'")
                            .arg(nombre_, anfitrion, cn_.Escapa(password())));
            for (const QString& grant : Grants())
                cn_.Execute(Aqui(grant, anfitrion));
        }
    }
    ~Caja() {
        try {
            for (const char* anfitrion : {"localhost", "%"})
                cn_.Execute(
                    QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(nombre_, anfitrion));
        } catch (...) {
        }
    }
    Caja(const Caja&) = delete;
    Caja& operator=(const Caja&) = delete;

    void Quita(const Derecho& d) {
        for (const char* anfitrion : {"localhost", "%"})
            cn_.Execute(Aqui(QStringLiteral("REVOKE %1 ON %2.%3 FROM 'caja'@'%'")
                                 .arg(d.derecho, d.base, d.tabla),
                             anfitrion));
    }
    QString password() const { return QStringLiteral("ca;ja=ñ}1"); }
    const QString& nombre() const { return nombre_; }

private:
    // The statement of the file for this user and database.
    QString Aqui(QString sql, const char* anfitrion) const {
        sql.replace(QStringLiteral("'caja'@'%'"),
                    QStringLiteral("'%1'@'%2'").arg(nombre_, QString::fromLatin1(anfitrion)));
        sql.replace(QStringLiteral(" datos1."), QLatin1Char(' ') + base_ + QLatin1Char('.'));
        return sql;
    }

    qm::Conexion cn_;
    QString base_;
    QString nombre_;
};

class Permisos : public ::testing::Test {
protected:
    void SetUp() override {
        qm::Conexion cn = Conecta(base.nombre());
        demo::OpcionesDatos opciones;
        opciones.clientes = 5;
        opciones.movimientos = 60;
        opciones.hasta = QDate::currentDate();
        opciones.desde = opciones.hasta.addMonths(-2);
        demo::GeneraDatos(cn, opciones);
        // The first start creates the movement table: that right is needed too.
        Conecta().Execute(QStringLiteral("DROP TABLE IF EXISTS trevantoreportes.ravesta"));
        caja.emplace(base.nombre());
    }
    void TearDown() override {
        Conecta().Execute(
            QStringLiteral("CREATE DATABASE IF NOT EXISTS trevantoreportes CHARACTER SET utf8mb4"));
    }

    // Starts the window as the user, prints every customer of the last two months and gives
    // the messages shown; `hoja` tells whether the report reached the screen with a page.
    QStringList Imprime(bool& hoja) {
        DatosServidor datos = Servidor();
        datos.usuario = caja->nombre();
        datos.password = caja->password();
        const InstalacionPrueba instalacion(datos, base.nombre());
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUILTARO_BINARY_DIR "/app/quiltaro.rpt"),
                                instalacion.carpetaEjecutable() + QStringLiteral("/quiltaro.rpt")));
        MensajesGrabados mensajes;
        motor::MotorReporte* motor = nullptr;
        hoja = false;
        {
            frmPrincipal ventana({instalacion.carpetaEjecutable(), &mensajes, [](int) {},
                                  [&] {
                                      auto m = std::make_unique<motor::MotorReporte>();
                                      motor = m.get();
                                      return m;
                                  }});
            if (ventana.Form_Load()) {
                ventana.show();
                ventana.PonTexto(0, QDate::currentDate().addMonths(-3).toString("dd/MM/yyyy"));
                ventana.cmdImprimir->click();
                hoja = motor && motor->ultimaVista() &&
                       QTest::qWaitForWindowExposed(motor->ultimaVista()) &&
                       motor->ultimoDocumento().NumeroPaginas() > 0;
                ventana.close();
            }
        }
        QStringList textos;
        for (const qm::Mensaje& m : mensajes.mensajes)
            textos << m.texto;
        return textos;
    }

    BaseTemporal base{QStringLiteral("permisos")};
    std::optional<Caja> caja; // once the host's tables exist
};

TEST_F(Permisos, ConLosDerechosDelArchivoSeImprime) {
    bool hoja = false;
    const QStringList mensajes = Imprime(hoja);
    EXPECT_TRUE(mensajes.isEmpty()) << mensajes.join("\n").toStdString();
    EXPECT_TRUE(hoja);
}

TEST_F(Permisos, LaBaseDeReportesQueFaltaSeCreaSiElUsuarioPuede) {
    Conecta().Execute(QStringLiteral("DROP DATABASE IF EXISTS trevantoreportes"));
    for (const char* anfitrion : {"localhost", "%"})
        Conecta().Execute(QStringLiteral("GRANT CREATE ON trevantoreportes.* TO '%1'@'%2'")
                              .arg(caja->nombre(), anfitrion));
    bool hoja = false;
    const QStringList mensajes = Imprime(hoja);
    EXPECT_TRUE(mensajes.isEmpty()) << mensajes.join("\n").toStdString();
    EXPECT_TRUE(hoja);
    EXPECT_EQ(Conecta()
                  .Consulta(QStringLiteral("SELECT DEFAULT_CHARACTER_SET_NAME FROM "
                                           "information_schema.SCHEMATA WHERE SCHEMA_NAME = "
                                           "'trevantoreportes'"))
                  .Valor(0)
                  .toString(),
              QStringLiteral("utf8mb4"));
}

TEST_F(Permisos, SiLaBaseDeReportesFaltaYNoPuedeCrearlaElMensajeDiceQueEjecutar) {
    Conecta().Execute(QStringLiteral("DROP DATABASE IF EXISTS trevantoreportes"));
    bool hoja = false;
    const QStringList mensajes = Imprime(hoja);
    EXPECT_FALSE(hoja);
    ASSERT_EQ(mensajes.size(), 1);
    // 1049 with a right on a table of it, 1044 without any.
    EXPECT_TRUE(mensajes[0].contains(QRegularExpression(QStringLiteral("^Error no. 104[49]: "))))
        << mensajes[0].toStdString();
    EXPECT_TRUE(mensajes[0].contains(
        QStringLiteral("CREATE DATABASE IF NOT EXISTS trevantoreportes CHARACTER SET utf8mb4;")))
        << mensajes[0].toStdString();
}

class SinUnDerecho : public Permisos, public ::testing::WithParamInterface<Derecho> {};

TEST_P(SinUnDerecho, ElMensajeNombraElDerechoYLaTabla) {
    const Derecho& d = GetParam();
    caja->Quita(d);
    bool hoja = false;
    const QStringList mensajes = Imprime(hoja);
    EXPECT_FALSE(hoja);
    ASSERT_FALSE(mensajes.isEmpty());
    const QString texto = mensajes.join(QLatin1Char('\n'));
    const QString tabla = d.tabla == QLatin1String("*") ? base.nombre() : d.tabla;
    EXPECT_TRUE(texto.contains(d.derecho, Qt::CaseInsensitive) && texto.contains(tabla))
        << texto.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Archivo, SinUnDerecho, ::testing::ValuesIn(Derechos()),
                         [](const auto& info) {
                             QString nombre = info.param.derecho + QLatin1Char('_') +
                                              (info.param.tabla == "*" ? QStringLiteral("base")
                                                                       : info.param.tabla);
                             nombre.replace(QLatin1Char(' '), QLatin1Char('_'));
                             return nombre.toStdString();
                         });

} // namespace
} // namespace prueba
