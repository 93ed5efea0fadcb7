// INI files as Windows users bring them: in the Windows code page, with quoted values.
#include "host/Error.h"
#include "host/libQMCM.h"
#include "tests/support/EntornoPrueba.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Quiltaro.ini as Notepad saves it on a Spanish Windows: cp1252 bytes (ó = F3, – = 96, € = 80),
// a quoted path and a section of another program with accents and the code page's undefined
// bytes.
const QByteArray kWindows = "; Quiltaro en la caja 2\r\n"
                            "[Configuraci\xF3n]\r\n"
                            "Ruta de Trevanto Premium=\"C:\\Trevanto Premium\"\r\n"
                            "Base de datos a usar=datos1\r\n"
                            "\r\n"
                            "[Impresi\xF3n]\r\n"
                            "T\xEDtulo = Se\xF1or N\xFA\xF1\x65z \x96 3\x80 \r\n"
                            "Raro=\x81\x8D\x8F\x90\x9D\r\n"
                            "Simple='entre comillas'\r\n";

class IniWindows : public ::testing::Test {
protected:
    void SetUp() override { prueba::EscribeArchivo(archivo_, kWindows); }
    QTemporaryDir dir_;
    qm::libQMCM lib_;
    QString archivo_ = dir_.filePath("Quiltaro.ini");
};

TEST_F(IniWindows, SeLeeEnLaCodificacionDeWindowsYSinComillas) {
    struct Caso {
        QString seccion, clave, valor;
    };
    const Caso casos[] = {
        {"Configuración", "Ruta de Trevanto Premium", "C:\\Trevanto Premium"},
        {"CONFIGURACIÓN", "base de datos a usar", "datos1"},
        {"Impresión", "Título", "Señor Núñez – 3€"},
        {"impresión", "Raro", QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")},
        {"Impresión", "Simple", "entre comillas"},
        {"Configuracion", "Base de datos a usar", ""},
    };
    for (const Caso& caso : casos)
        EXPECT_EQ(lib_.LeeIni(caso.seccion, caso.clave, archivo_), caso.valor)
            << caso.seccion.toStdString() << "/" << caso.clave.toStdString();
}

TEST_F(IniWindows, EscribirUnaClaveDejaIgualCadaOtroByte) {
    struct Caso {
        QString seccion, clave, valor;
        QByteArray antes, despues; // the only change to the file's bytes
    };
    const Caso casos[] = {
        {"Configuración", "Base de datos a usar", "datos2", "usar=datos1\r\n", "usar=datos2\r\n"},
        // The quotes the value had stay.
        {"configuración", "Ruta de Trevanto Premium", "D:\\Trevanto Premium",
         "=\"C:\\Trevanto Premium\"\r\n", "=\"D:\\Trevanto Premium\"\r\n"},
        {"Impresión", "Título", "Año ñ", "= Se\xF1or N\xFA\xF1\x65z \x96 3\x80 \r\n",
         "= A\xF1o \xF1\r\n"},
        {"Impresión", "Raro", QString::fromUtf16(u"\u009D€"), "=\x81\x8D\x8F\x90\x9D\r\n",
         "=\x9D\x80\r\n"},
        // A new key goes after the section's last key, in the file's code page and line ends.
        {"Configuración", "Impresora", "Sí", "usar=datos1\r\n",
         "usar=datos1\r\nImpresora=S\xED\r\n"},
        {"Nueva sección", "Clave", "Ñ", "comillas'\r\n",
         "comillas'\r\n[Nueva secci\xF3n]\r\nClave=\xD1\r\n"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.clave.toStdString());
        prueba::EscribeArchivo(archivo_, kWindows);
        lib_.EscribeIni(caso.seccion, caso.clave, caso.valor, archivo_);
        QByteArray esperado = kWindows;
        ASSERT_EQ(esperado.count(caso.antes), 1);
        esperado.replace(caso.antes, caso.despues);
        EXPECT_EQ(prueba::LeeArchivo(archivo_), esperado);
        EXPECT_EQ(lib_.LeeIni(caso.seccion, caso.clave, archivo_), caso.valor);
        EXPECT_EQ(lib_.LeeIni("Configuración", "Base de datos a usar", archivo_),
                  caso.clave == "Base de datos a usar" ? "datos2" : "datos1");
    }
}

TEST_F(IniWindows, UnTextoQueElCodigoDeWindowsNoTieneSeRechazaSinTocarElArchivo) {
    for (const QString& valor : {QStringLiteral("Ωmega"), QStringLiteral("日本")}) {
        try {
            lib_.EscribeIni("Configuración", "Base de datos a usar", valor, archivo_);
            ADD_FAILURE() << "written: " << valor.toStdString();
        } catch (const qm::Error& e) {
            EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
            EXPECT_TRUE(e.descripcion().contains(archivo_)) << e.descripcion().toStdString();
        }
        EXPECT_EQ(prueba::LeeArchivo(archivo_), kWindows);
    }
}

TEST(IniCodificacion, CadaArchivoSeEscribeEnLaCodificacionQueTenia) {
    struct Caso {
        const char* nombre;
        QByteArray antes;   // the file; null for none
        QByteArray despues; // after writing "ñ" into [s] k
    };
    const Caso casos[] = {
        {"nuevo", QByteArray(), "[s]\r\nk=\xC3\xB1\r\n"},
        {"UTF-8", "[s]\nk=\xC3\xA1\n", "[s]\nk=\xC3\xB1\n"},
        {"UTF-8 con BOM", "\xEF\xBB\xBF[s]\r\nk=a\r\n", "\xEF\xBB\xBF[s]\r\nk=\xC3\xB1\r\n"},
        {"solo ASCII", "[s]\r\nk=a\r\n", "[s]\r\nk=\xC3\xB1\r\n"},
        {"cp1252", "[s]\r\nk=\xE1\r\n", "[s]\r\nk=\xF1\r\n"},
        // One byte that is no UTF-8 makes the whole file cp1252: its other bytes stay as they are.
        {"UTF-8 roto", "[s]\r\nk=\xE1\r\nx=\xC3\xA1\r\n", "[s]\r\nk=\xF1\r\nx=\xC3\xA1\r\n"},
        {"sin salto final", "[s]\nj=1", "[s]\nj=1\nk=\xC3\xB1"},
        {"saltos mezclados", "[s]\r\nj=1\nk=2\r\n[t]\n", "[s]\r\nj=1\nk=\xC3\xB1\r\n[t]\n"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        QTemporaryDir dir;
        const QString archivo = dir.filePath("a.ini");
        if (!caso.antes.isNull())
            prueba::EscribeArchivo(archivo, caso.antes);
        qm::libQMCM lib;
        lib.EscribeIni("s", "k", "ñ", archivo);
        EXPECT_EQ(prueba::LeeArchivo(archivo), caso.despues);
        EXPECT_EQ(lib.LeeIni("s", "k", archivo), "ñ");
    }
}

TEST(IniComillas, UnParDeComillasSeQuitaAlLeerYSePoneAlEscribirSiHaceFalta) {
    struct Caso {
        QByteArray linea;
        QString leido;
    };
    const Caso casos[] = {
        {"k=\"a b\"", "a b"},     {"k=  ' a '  ", " a "},   {"k=\"\"", ""},
        {"k=\"", "\""},           {"k=\"abc", "\"abc"},     {"k=\"a'", "\"a'"},
        {"k=\"\"x\"\"", "\"x\""}, {"k=a \"b\"", "a \"b\""},
    };
    QTemporaryDir dir;
    const QString archivo = dir.filePath("a.ini");
    qm::libQMCM lib;
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.linea.toStdString());
        prueba::EscribeArchivo(archivo, "[s]\r\n" + caso.linea + "\r\n");
        EXPECT_EQ(lib.LeeIni("s", "k", archivo), caso.leido);
        // Written back, each value reads as it was given.
        lib.EscribeIni("s", "k", caso.leido, archivo);
        EXPECT_EQ(lib.LeeIni("s", "k", archivo), caso.leido);
        // A new key is quoted only when its own quotes would be taken away; blanks around a
        // value are trimmed as they always are.
        lib.EscribeIni("s", "nueva", caso.leido, archivo);
        EXPECT_EQ(lib.LeeIni("s", "nueva", archivo), caso.leido.trimmed());
    }
}

} // namespace
