#include "ApoyoReporte.h"
#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/Error.h"
#include "report/Odbc.h"
#include "tests/support/EntornoPrueba.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using Claves = QMap<QString, QString>;

const QString Prueba = QStringLiteral("myodbc3-test");
const QString Reportes = QStringLiteral("Trevanto Reportes");

qm::BasesDD Ajustes() {
    qm::BasesDD b;
    b.cRuta = "db.example.net";
    b.cPuerto = 3306;
    b.cUsuario = "quil";
    b.cPassword = "secreto";
    b.cMiBase = "datos1";
    return b;
}

class ReporteOdbc : public ::testing::Test {
protected:
    void SetUp() override { prueba::BorraOdbcIni(); }
    qm::DelRegistro DelRegistro;
};

TEST_F(ReporteOdbc, CatorceValoresEnAmbosOrigenes) {
    modRPTs::PreparaODBC(Ajustes(), DelRegistro);
    const Claves esperadas{{"Server", "db.example.net"},
                           {"Password", "secreto"},
                           {"PWD", "secreto"},
                           {"User", "quil"},
                           {"UID", "quil"},
                           {"Port", "3306"},
                           {"Database", "datos1"},
                           // a new data source gets the installed driver (Debian's name)
                           {"Driver", "MariaDB Unicode"}};
    EXPECT_EQ(prueba::LeeOrigen(Prueba), esperadas);
    Claves reportes = esperadas;
    reportes["Database"] = "tvlightreportes";
    EXPECT_EQ(prueba::LeeOrigen(Reportes), reportes);
}

TEST_F(ReporteOdbc, ElArchivoSoloLoLeeSuDueno) {
    modRPTs::PreparaODBC(Ajustes(), DelRegistro);
    EXPECT_EQ(prueba::ModoDe(prueba::Entorno().odbcIni()), 0600u);
}

TEST_F(ReporteOdbc, PuertoComoTextoDeSusCifras) {
    for (const QVariant& puerto :
         {QVariant(3306), QVariant(QStringLiteral("3306")), QVariant(3306.0), QVariant(3306LL)}) {
        qm::BasesDD b = Ajustes();
        b.cPuerto = puerto;
        modRPTs::PreparaODBC(b, DelRegistro);
        EXPECT_EQ(prueba::LeeOrigen(Prueba)->value("Port"), "3306") << puerto.typeName();
        EXPECT_EQ(prueba::LeeOrigen(Reportes)->value("Port"), "3306") << puerto.typeName();
    }
}

TEST_F(ReporteOdbc, ReportesSiempreTvlightreportes) {
    for (const char* base : {"datos1", "", "tvlightreportes", "OTRA"}) {
        qm::BasesDD b = Ajustes();
        b.cMiBase = base;
        modRPTs::PreparaODBC(b, DelRegistro);
        EXPECT_EQ(prueba::LeeOrigen(Prueba)->value("Database", "?"), base);
        EXPECT_EQ(prueba::LeeOrigen(Reportes)->value("Database"), "tvlightreportes");
    }
}

TEST_F(ReporteOdbc, ContrasenaVaciaBajoAmbosNombres) {
    // A stale password must not survive an empty one.
    modRPTs::PreparaODBC(Ajustes(), DelRegistro);
    qm::BasesDD b = Ajustes();
    b.cPassword = "";
    modRPTs::PreparaODBC(b, DelRegistro);
    for (const QString& origen : {Prueba, Reportes}) {
        const auto claves = prueba::LeeOrigen(origen);
        ASSERT_TRUE(claves);
        EXPECT_TRUE(claves->contains("Password") && claves->contains("PWD"));
        EXPECT_EQ(claves->value("Password", "?"), "");
        EXPECT_EQ(claves->value("PWD", "?"), "");
    }
}

TEST_F(ReporteOdbc, LeeLosAjustesEnCadaUso) {
    qm::BasesDD b = Ajustes();
    modRPTs::PreparaODBC(b, DelRegistro);
    b.cRuta = "otro.example.net";
    b.cUsuario = "nuevo";
    modRPTs::PreparaODBC(b, DelRegistro);
    EXPECT_EQ(prueba::LeeOrigen(Reportes)->value("Server"), "otro.example.net");
    EXPECT_EQ(prueba::LeeOrigen(Prueba)->value("UID"), "nuevo");
}

TEST_F(ReporteOdbc, EtiquetaSinDistinguirMayusculas) {
    QString valor = "h1";
    modRPTs::GrabaODBC(DelRegistro, "SERVIDOR", valor, 0);
    valor = "clave";
    modRPTs::GrabaODBC(DelRegistro, "CONTRASEÑA", valor, 0);
    EXPECT_EQ(prueba::LeeOrigen(Prueba), (Claves{{"Driver", "MariaDB Unicode"},
                                                 {"Server", "h1"},
                                                 {"Password", "clave"},
                                                 {"PWD", "clave"}}));
}

TEST_F(ReporteOdbc, LaBaseDeReportesCambiaLaVariableDelQueLlama) {
    QString valor = "datos1";
    modRPTs::GrabaODBC(DelRegistro, "BaseDeDatos", valor, 0);
    EXPECT_EQ(valor, "datos1");
    modRPTs::GrabaODBC(DelRegistro, "BaseDeDatos", valor, 1);
    EXPECT_EQ(valor, "tvlightreportes");
    valor = "datos1";
    modRPTs::GrabaODBC(DelRegistro, "Servidor", valor, 1);
    EXPECT_EQ(valor, "datos1");
}

TEST_F(ReporteOdbc, EtiquetaOIndiceDesconocidosNoEscriben) {
    QString valor = "x";
    for (const auto& [etiqueta, indice] :
         {std::pair<QString, int>{"Clave", 0}, std::pair<QString, int>{"Servidor", 2}}) {
        try {
            modRPTs::GrabaODBC(DelRegistro, etiqueta, valor, static_cast<std::uint8_t>(indice));
            ADD_FAILURE() << "accepted " << etiqueta.toStdString() << " " << indice;
        } catch (const qm::Error& e) {
            EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
        }
    }
    EXPECT_FALSE(prueba::LeeOrigen(Prueba));
}

// A value with a line break would break the file; the write that meets it fails, and every
// write after it is left undone, so what is written shows the order of the writes.
struct CasoSalto {
    const char* campo;
    QStringList escritasEnPrueba;
};

void PrintTo(const CasoSalto& c, std::ostream* os) {
    *os << c.campo;
}

class ReporteOdbcSalto : public ReporteOdbc, public ::testing::WithParamInterface<CasoSalto> {};

TEST_P(ReporteOdbcSalto, DetieneLasEscriturasRestantes) {
    qm::BasesDD b = Ajustes();
    const QString campo = GetParam().campo;
    if (campo == "cRuta")
        b.cRuta = "db\n[otra]";
    else if (campo == "cPassword")
        b.cPassword = "se\ncreto";
    else if (campo == "cUsuario")
        b.cUsuario = "qu\ril";
    else if (campo == "cPuerto")
        b.cPuerto = QStringLiteral("33\n06");
    else
        b.cMiBase = "datos1\nDriver=otro";
    try {
        modRPTs::PreparaODBC(b, DelRegistro);
        FAIL() << "a line break was written";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
        EXPECT_TRUE(e.descripcion().contains("salto de línea")) << e.descripcion().toStdString();
        EXPECT_FALSE(e.descripcion().contains("creto")) << "the password is not shown";
    }
    const auto prueba = prueba::LeeOrigen(Prueba);
    if (GetParam().escritasEnPrueba.isEmpty()) {
        EXPECT_FALSE(prueba);
    } else {
        ASSERT_TRUE(prueba);
        EXPECT_EQ(prueba->keys(), [](QStringList k) {
            k.sort();
            return k;
        }(GetParam().escritasEnPrueba));
    }
    EXPECT_FALSE(prueba::LeeOrigen(Reportes));
}

INSTANTIATE_TEST_SUITE_P(
    Campos, ReporteOdbcSalto,
    ::testing::Values(CasoSalto{"cRuta", {}}, CasoSalto{"cPassword", {"Driver", "Server"}},
                      CasoSalto{"cUsuario", {"Driver", "Server", "Password", "PWD"}},
                      CasoSalto{"cPuerto", {"Driver", "Server", "Password", "PWD", "User", "UID"}},
                      CasoSalto{"cMiBase",
                                {"Driver", "Server", "Password", "PWD", "User", "UID", "Port"}}),
    [](const auto& info) { return std::string(info.param.campo); });

TEST_F(ReporteOdbc, UnaEscrituraFallidaPasaSuError) {
    QTemporaryDir dir;
    const QString archivo = dir.path() + "/no-es-carpeta";
    prueba::EscribeArchivo(archivo, "x");
    const prueba::SistemaOdbcIntacto sistema;
    const prueba::OdbcIniTemporal desviado(archivo + "/odbc.ini");
    EXPECT_THROW(modRPTs::PreparaODBC(Ajustes(), DelRegistro), qm::Error);
}

} // namespace
