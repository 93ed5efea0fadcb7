#include "ApoyoReporte.h"
#include "host/Error.h"
#include "report/Plantilla.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using prueba::Registro;
using prueba::Relleno;

const QByteArray Cabecera = "QUILTARO-PLANTILLA 1\n";
const QByteArray Movimientos =
    Registro("pdsodbc.dll", "Trevanto Reportes", "trevantoreportes.ravesta");
const QByteArray Clientes = Registro("pdsodbc.dll", "Trevanto Reportes", "clientes");

struct CasoEscaneo {
    const char* nombre;
    QByteArray contenido;
    QStringList entradas;
};

void PrintTo(const CasoEscaneo& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteEscaneo : public ::testing::TestWithParam<CasoEscaneo> {
protected:
    QTemporaryDir dir;
};

TEST_P(ReporteEscaneo, Entradas) {
    QString ruta = dir.path() + "/plantilla.rpt";
    prueba::EscribeArchivo(ruta, GetParam().contenido);
    QStringList entradas;
    const std::int16_t cuenta = modRPTs::LeeTablasReporte(ruta, entradas);
    EXPECT_EQ(entradas, GetParam().entradas);
    EXPECT_EQ(cuenta, GetParam().entradas.size());
}

INSTANTIATE_TEST_SUITE_P(
    Plantillas, ReporteEscaneo,
    ::testing::Values(
        CasoEscaneo{"vacia", "", {}},
        CasoEscaneo{"sinParPD", Cabecera + "datos sin registros de tablas" + Relleno(100), {}},
        CasoEscaneo{"parPDSinDriver", Cabecera + "PD" + Registro("otro.dll", "x", "t"), {}},
        CasoEscaneo{
            "driverSinDll", Cabecera + Registro("pdsodbc", "Trevanto Reportes", "clientes"), {}},
        CasoEscaneo{
            "unaTabla", Cabecera + Movimientos + Relleno(80), {"M trevantoreportes.ravesta"}},
        CasoEscaneo{
            "dao", Cabecera + Registro("pdbdao.dll", "C:\\datos.mdb", "tabla") + "\n", {"A tabla"}},
        CasoEscaneo{"mayusculas",
                    Cabecera + Registro("PDSODBC.DLL", "Trevanto Reportes", "Clientes") + "\n",
                    {"M Clientes"}},
        CasoEscaneo{"nombreVacio",
                    Cabecera + Registro("pdsodbc.dll", "Trevanto Reportes", "") + Relleno(70),
                    {"M "}},
        CasoEscaneo{"dosRegistros",
                    Cabecera + Movimientos + Relleno(70) + Clientes + Relleno(70),
                    {"M trevantoreportes.ravesta", "M clientes"}},
        // "Pd" starts a window too; the driver name is the second in it.
        CasoEscaneo{"segundoParAntes",
                    Cabecera + "Pd" + Relleno(10) + Clientes + Relleno(70),
                    {"M clientes", "M clientes"}},
        CasoEscaneo{"alFinalDelArchivo", Cabecera + Relleno(200) + Clientes, {"M clientes"}},
        CasoEscaneo{"parPDLejos", Cabecera + "PD" + Relleno(70) + Clientes, {"M clientes"}}),
    [](const auto& info) { return std::string(info.param.nombre); });

// A window that names a driver but cuts its record short gives up the whole scan.
struct CasoMalformado {
    const char* nombre;
    QByteArray contenido;
};

void PrintTo(const CasoMalformado& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteEscaneoMalformado : public ::testing::TestWithParam<CasoMalformado> {
protected:
    QTemporaryDir dir;
};

TEST_P(ReporteEscaneoMalformado, AbandonaElEscaneo) {
    QString ruta = dir.path() + "/plantilla.rpt";
    prueba::EscribeArchivo(ruta, Cabecera + Movimientos + Relleno(70) + GetParam().contenido);
    QStringList entradas;
    const int abiertos = prueba::ArchivosAbiertos();
    try {
        modRPTs::LeeTablasReporte(ruta, entradas);
        FAIL() << "a malformed record was accepted";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
    }
    EXPECT_TRUE(entradas.isEmpty()) << "no entry found before it is kept";
    EXPECT_EQ(prueba::ArchivosAbiertos(), abiertos) << "the template is closed";
}

INSTANTIATE_TEST_SUITE_P(
    Registros, ReporteEscaneoMalformado,
    ::testing::Values(CasoMalformado{"sinNulFinal", QByteArray("pdsodbc.dll\0T\0clientes", 22)},
                      CasoMalformado{"unSoloNul", QByteArray("pdsodbc.dll\0Trevanto", 20)},
                      CasoMalformado{"terminaEnDll", "pdsodbc.dll"},
                      CasoMalformado{"noCabeEn60",
                                     Registro("pdsodbc.dll", "Trevanto Reportes",
                                              "una_tabla_de_nombre_muy_muy_largo_de_verdad")},
                      CasoMalformado{"parPDQueCortaElRegistro", "PD" + Relleno(30) + Clientes}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoRuta {
    const char* nombre;
    QString relativa; // as given
    QString archivo;  // the file that is read, and what ruta becomes
};

void PrintTo(const CasoRuta& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteEscaneoRuta : public ::testing::TestWithParam<CasoRuta> {
protected:
    QTemporaryDir dir;
};

TEST_P(ReporteEscaneoRuta, ExtensionAgregadaSoloSiFalta) {
    const QString archivo = dir.path() + "/" + GetParam().archivo;
    QDir().mkpath(QFileInfo(archivo).path());
    prueba::EscribeArchivo(archivo, Cabecera + Clientes);
    QString ruta = dir.path() + "/" + GetParam().relativa;
    QStringList entradas;
    EXPECT_EQ(modRPTs::LeeTablasReporte(ruta, entradas), 1);
    EXPECT_EQ(ruta, archivo);
}

INSTANTIATE_TEST_SUITE_P(
    Rutas, ReporteEscaneoRuta,
    ::testing::Values(CasoRuta{"mayusculas", "PLANTILLA.RPT", "PLANTILLA.RPT"},
                      CasoRuta{"minusculas", "plantilla.rpt", "plantilla.rpt"},
                      CasoRuta{"enLaCarpeta", "viejas.rpt/plantilla", "viejas.rpt/plantilla"},
                      CasoRuta{"enMedio", "plantilla.rpt.bak", "plantilla.rpt.bak"},
                      CasoRuta{"sinExtension", "plantilla", "plantilla.rpt"},
                      CasoRuta{"otraExtension", "plantilla.txt", "plantilla.txt.rpt"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(ReporteEscaneoArchivo, FaltaElArchivo) {
    QTemporaryDir dir;
    QString ruta = dir.path() + "/falta";
    QStringList entradas;
    try {
        modRPTs::LeeTablasReporte(ruta, entradas);
        FAIL() << "a missing file was read";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::ArchivoNoEncontrado);
        EXPECT_TRUE(e.descripcion().contains(dir.path() + "/falta.rpt"))
            << e.descripcion().toStdString();
    }
    EXPECT_EQ(ruta, dir.path() + "/falta.rpt");
}

TEST(ReporteEscaneoArchivo, UnaCarpetaNoSeLee) {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/carpeta.rpt");
    QString ruta = dir.path() + "/carpeta.rpt";
    QStringList entradas;
    try {
        modRPTs::LeeTablasReporte(ruta, entradas);
        FAIL() << "a folder was read";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::AccesoArchivo);
        EXPECT_TRUE(e.descripcion().contains(ruta));
    }
}

TEST(ReporteEscaneoArchivo, SeCierraTrasLeerlo) {
    QTemporaryDir dir;
    QString ruta = dir.path() + "/plantilla.rpt";
    prueba::EscribeArchivo(ruta, Cabecera + Clientes);
    const int abiertos = prueba::ArchivosAbiertos();
    QStringList entradas;
    modRPTs::LeeTablasReporte(ruta, entradas);
    EXPECT_EQ(prueba::ArchivosAbiertos(), abiertos);
}

struct CasoUbicacion {
    const char* nombre;
    QByteArray ventana;
    QString entrada;
};

void PrintTo(const CasoUbicacion& c, std::ostream* os) {
    *os << c.nombre;
}

class ReporteUbicacion : public ::testing::TestWithParam<CasoUbicacion> {};

TEST_P(ReporteUbicacion, Entrada) {
    EXPECT_EQ(modRPTs::LeeUbicacion(GetParam().ventana), GetParam().entrada);
}

INSTANTIATE_TEST_SUITE_P(
    Ventanas, ReporteUbicacion,
    ::testing::Values(
        CasoUbicacion{"odbc", Registro("pdsodbc.dll", "DSN", "t1"), "M t1"},
        CasoUbicacion{"daoEnCualquierParte", "x" + Registro("a.dll", "b", "t2") + "pdbdao", "A t2"},
        CasoUbicacion{"sinDll", Registro("pdsodbc", "DSN", "t"), ""},
        // Whatever follows ".dll" is skipped as its terminator.
        CasoUbicacion{"terminadorCualquiera", QByteArray("pdsodbc.dll|DSN\0t3\0", 19), "M t3"},
        CasoUbicacion{"bytesAltos", Registro("pdsodbc.dll", "DSN", "a\xf1o"),
                      QStringLiteral("M a\u00f1o")}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(ReporteUbicacionFalla, SinSegundoTexto) {
    // The first NUL after the driver always ends the field between, so a lone name fails too.
    for (const QByteArray& ventana :
         {QByteArray("pdsodbc.dll\0DSN\0tabla", 21), QByteArray("pdsodbc.dll|t4\0", 15),
          QByteArray("pdsodbc.dll\0", 12)}) {
        try {
            modRPTs::LeeUbicacion(ventana);
            ADD_FAILURE() << "accepted " << ventana.toStdString();
        } catch (const qm::Error& e) {
            EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
        }
    }
}

} // namespace
