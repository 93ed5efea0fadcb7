#include "host/Error.h"
#include "host/libQMCM.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Ini : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    qm::libQMCM lib_;
    QString archivo_ = dir_.filePath("Quiltaro.ini");
};

TEST_F(Ini, ArchivoAusenteDaVacioYEscribirLoCrea) {
    EXPECT_EQ(lib_.LeeIni("Configuración", "Base de datos a usar", archivo_), "");
    lib_.EscribeIni("Configuración", "Base de datos a usar", "datos1", archivo_);
    EXPECT_EQ(lib_.LeeIni("configuración", "BASE DE DATOS A USAR", archivo_), "datos1");
    EXPECT_EQ(lib_.LeeIni("CONFIGURACIÓN", "base de datos a usar", archivo_), "datos1");
    EXPECT_EQ(lib_.LeeIni("Configuracion", "Base de datos a usar", archivo_), "");
}

TEST_F(Ini, OtrosProgramasLeenLoQueEscribimos) {
    lib_.EscribeIni("Configuración", "Ruta de Trevanto Premium", "/opt/trevanto premium", archivo_);
    lib_.EscribeIni("Configuración", "Base de datos a usar", "datos1", archivo_);
    lib_.EscribeIni("Otra", "Clave", "ñandú = sí", archivo_);
    EXPECT_EQ(prueba::Ejecuta("crudini",
                              {"--get", archivo_, "Configuración", "Ruta de Trevanto Premium"}),
              "/opt/trevanto premium\n");
    const QString programa =
        "import configparser,sys\n"
        "c=configparser.ConfigParser(interpolation=None)\n"
        "c.optionxform=str\n"
        "c.read(sys.argv[1],encoding='utf-8-sig')\n"
        "sys.stdout.write(c['Configuración']['Base de datos a usar']+'|'+c['Otra']['Clave'])\n";
    EXPECT_EQ(prueba::Ejecuta("python3", {"-c", programa, archivo_}), "datos1|ñandú = sí");
}

TEST_F(Ini, ArchivoDeWindowsConservaSusOtrasLineas) {
    const QByteArray antes = "\xEF\xBB\xBF; comentario inicial\r\n"
                             "[Otra]\r\n"
                             "Base de datos a usar=no tocar\r\n"
                             "\r\n"
                             "[CONFIGURACIÓN]\r\n"
                             "  base DE datos a usar   =  datos7  \r\n"
                             "# nota = no es clave\r\n"
                             "Ruta de Trevanto Premium=C:\\Trevanto\r\n"
                             "\r\n"
                             "[Final]\r\n"
                             "x = 1\r\n";
    prueba::EscribeArchivo(archivo_, antes);
    EXPECT_EQ(lib_.LeeIni("Configuración", "Base de datos a usar", archivo_), "datos7");
    EXPECT_EQ(lib_.LeeIni("Configuración", "Ruta de Trevanto Premium", archivo_), "C:\\Trevanto");
    EXPECT_EQ(lib_.LeeIni("Configuración", "# nota", archivo_), "");
    EXPECT_EQ(lib_.LeeIni("final", "X", archivo_), "1");

    lib_.EscribeIni("Configuración", "Base de datos a usar", "datos2", archivo_);
    QByteArray esperado = antes;
    esperado.replace("=  datos7  \r\n", "=  datos2\r\n");
    EXPECT_EQ(prueba::LeeArchivo(archivo_), esperado);

    lib_.EscribeIni("configuración", "Nueva", "", archivo_);
    esperado.replace("C:\\Trevanto\r\n", "C:\\Trevanto\r\nNueva=\r\n");
    EXPECT_EQ(prueba::LeeArchivo(archivo_), esperado);

    lib_.EscribeIni("Añadida", "k", "v", archivo_);
    esperado += "[Añadida]\r\nk=v\r\n";
    EXPECT_EQ(prueba::LeeArchivo(archivo_), esperado);
}

TEST_F(Ini, ArchivoUnixSigueSiendoUnix) {
    prueba::EscribeArchivo(archivo_, "[a]\nk=1\n");
    lib_.EscribeIni("a", "j", "2", archivo_);
    EXPECT_EQ(prueba::LeeArchivo(archivo_), "[a]\nk=1\nj=2\n");
}

TEST_F(Ini, ValorEnBlancoSeConservaComoVacio) {
    lib_.EscribeIni("s", "k", "   ", archivo_);
    EXPECT_EQ(lib_.LeeIni("s", "k", archivo_), "");
}

TEST_F(Ini, EscrituraImposibleNombraElArchivo) {
    prueba::EscribeArchivo(archivo_, "[s]\nk=1\n");
    // A folder under a regular file cannot exist, even for root.
    const QString imposible = archivo_ + "/sub/Quiltaro.ini";
    try {
        lib_.EscribeIni("s", "k", "2", imposible);
        FAIL() << "write succeeded";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::AccesoArchivo);
        EXPECT_TRUE(e.descripcion().contains(imposible)) << e.descripcion().toStdString();
    }
    EXPECT_EQ(lib_.LeeIni("s", "k", imposible), "");
}

TEST_F(Ini, SaltoDeLineaEnUnValorSeRechaza) {
    EXPECT_THROW(lib_.EscribeIni("s", "k", "a\r\n[x]", archivo_), qm::Error);
    EXPECT_FALSE(QFile::exists(archivo_));
}

} // namespace
