#include "mail/Ajustes.h"
#include "mail/Contrasena.h"
#include "mail/Direcciones.h"
#include "mail/Mensaje.h"
#include "tests/support/EntornoPrueba.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace correo;

TEST(AjustesCorreo, SeGuardanYSeLeenIgual) {
    QTemporaryDir dir;
    const QString carpeta = dir.path() + "/Quiltaro";
    AjustesCorreo a = LeeAjustes(carpeta);
    EXPECT_EQ(a.seguridad, Seguridad::StartTls);
    EXPECT_TRUE(a.asunto.contains("{periodo}"));
    a.servidor = "correo.tienda.mx";
    a.puerto = 465;
    a.seguridad = Seguridad::Tls;
    a.nombreRemitente = "Cobranza Ñandú";
    a.direccionRemitente = "cobranza@tienda.mx";
    a.cuerpo = "Línea uno\nLínea {saldo}\n";
    GuardaAjustes(a, carpeta);
    const AjustesCorreo b = LeeAjustes(carpeta);
    EXPECT_EQ(b.servidor, a.servidor);
    EXPECT_EQ(b.puerto, 465u);
    EXPECT_EQ(b.seguridad, Seguridad::Tls);
    EXPECT_EQ(b.nombreRemitente, a.nombreRemitente);
    EXPECT_EQ(b.cuerpo, a.cuerpo);
    EXPECT_EQ(RevisaAjustes(b), "");
    EXPECT_FALSE(prueba::LeeArchivo(ArchivoAjustes(carpeta)).contains("s3cr3to"));
}

TEST(AjustesCorreo, SinCifrarSoloEnEsteEquipo) {
    AjustesCorreo a = AjustesPorOmision();
    a.direccionRemitente = "cobranza@tienda.mx";
    a.seguridad = Seguridad::SinCifrar;
    for (const char* local : {"localhost", "127.0.0.1", "127.1.2.3", "::1"}) {
        a.servidor = local;
        EXPECT_EQ(RevisaAjustes(a), "") << local;
    }
    for (const char* ajeno : {"correo.tienda.mx", "192.168.1.5", "127.0.0.1.example.com"}) {
        a.servidor = ajeno;
        EXPECT_TRUE(RevisaAjustes(a).contains("sin cifrar")) << ajeno;
    }
    a.seguridad = Seguridad::StartTls;
    for (const char* malo : {"", "correo/x", "a@correo.mx", "correo.mx:25"}) {
        a.servidor = malo;
        EXPECT_NE(RevisaAjustes(a), "") << malo;
    }
}

TEST(TextosCorreo, LosCamposSeLlenanUnaVez) {
    const DatosMensaje d{"C'1", "Ana {saldo}", Periodo(QDate(2026, 11, 1), QDate(2026, 11, 30)),
                         1234567.891, QDate(2026, 12, 1)};
    EXPECT_EQ(Rellena("{clave}|{nombre}|{periodo}|{saldo}|{fecha}|{otro}", d),
              "C'1|Ana {saldo}|01/11/2026 al 30/11/2026|1,234,567.89|01/12/2026|{otro}");
}

TEST(Contrasena, SoloSuUsuarioLaLee) {
    QTemporaryDir dir;
    const QString carpeta = dir.path() + "/Quiltaro";
    EXPECT_EQ(LeeContrasena(carpeta), "");
    ::umask(0); // even so the file is never readable by others
    GuardaContrasena("primera", carpeta);
    GuardaContrasena("s3cr3to:ñ", carpeta);
    ::umask(022);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(ArchivoContrasena(carpeta)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(LeeContrasena(carpeta), "s3cr3to:ñ");
}

TEST(Direcciones, ElArchivoDeLaTiendaMandaSobreLaTabla) {
    QTemporaryDir dir;
    const QString archivo = ArchivoCorreos(dir.path());
    prueba::EscribeArchivo(archivo, "\xEF\xBB\xBF"
                                    "Clave,Correos,Enviar\r\n"
                                    "C001,a@x.mx;b@x.mx\r\n"
                                    "C002,c@x.mx,no\r\n"
                                    "C003;d@x.mx;mal@;e@x.mx\r\n"
                                    "\"C,4\",\"f@x.mx\"\n");
    auto filas = LeeCorreos(archivo);
    EXPECT_EQ(filas.size(), 4);
    const CorreosCliente c1 = DireccionesDe("tabla@x.mx", &filas["C001"]);
    EXPECT_EQ(c1.validas, QStringList({"a@x.mx", "b@x.mx"}));
    EXPECT_FALSE(DireccionesDe("tabla@x.mx", &filas["C002"]).Tiene());
    const CorreosCliente c3 = DireccionesDe("", &filas["C003"]);
    EXPECT_EQ(c3.validas, QStringList({"d@x.mx", "e@x.mx"}));
    EXPECT_EQ(c3.malas, QStringList({"mal@"}));
    EXPECT_EQ(DireccionesDe("", &filas["C,4"]).validas, QStringList({"f@x.mx"}));
    EXPECT_EQ(DireccionesDe("tabla@x.mx, TABLA@x.mx", nullptr).validas,
              QStringList({"tabla@x.mx"}));
    for (const char* mala : {"a@b", "a b@x.mx", "a@x.mx\r\nBcc: z@x.mx", "ñ@x.mx", "@x.mx"})
        EXPECT_FALSE(EsDireccionValida(mala)) << mala;
}

} // namespace
