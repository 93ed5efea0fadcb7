// "Correo saliente" and "Membrete" on real widgets: what their fields save, and what they refuse
// without saving anything.
#include "mail/Ajustes.h"
#include "mail/Contrasena.h"
#include "reportengine/ErroresMotor.h"
#include "reportview/DialogoCorreoSaliente.h"
#include "reportview/DialogoMembrete.h"
#include "tests/mail/ServidorCorreo.h"
#include "tests/support/EntornoPrueba.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using correo::Seguridad;

struct CasoCorreo {
    const char* nombre;
    QString servidor;
    Seguridad seguridad;
    QString usuario;
    QString contrasena;
    QString remitente;
    QString certificado;
    QString falla;       // a word of the refusal; "" when it is saved
    unsigned puerto = 0; // the port the choice of security leaves; 0 when refused
};

void PrintTo(const CasoCorreo& caso, std::ostream* os) {
    *os << caso.nombre;
}

const CasoCorreo kCasosCorreo[] = {
    {"starttls", "correo.tienda.mx", Seguridad::StartTls, "cobranza", "s3cr3to:ñ",
     "cobranza@tienda.mx", "", "", 587},
    {"tls_465", "correo.tienda.mx", Seguridad::Tls, "cobranza", "otra", "cobranza@tienda.mx", "",
     "", 465},
    {"sin_cifrar_local", "127.0.0.1", Seguridad::SinCifrar, "", "", "cobranza@tienda.mx", "", "",
     587},
    {"sin_servidor", "", Seguridad::StartTls, "cobranza", "x", "cobranza@tienda.mx", "",
     "servidor"},
    {"remitente_malo", "correo.tienda.mx", Seguridad::StartTls, "cobranza", "x", "no es correo", "",
     "remitente"},
    {"certificado_que_no_hay", "correo.tienda.mx", Seguridad::StartTls, "cobranza", "x",
     "cobranza@tienda.mx", "/no/hay/autoridad.pem", "certificado"},
    {"usuario_sin_contrasena", "correo.tienda.mx", Seguridad::StartTls, "cobranza", "",
     "cobranza@tienda.mx", "", "contraseña"},
};

void Elige(QComboBox* combo, Seguridad s) {
    const int i = combo->findData(int(s));
    ASSERT_GE(i, 0);
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

// Typed as the user types; QTest's key clicks take ASCII only, so the rest is inserted whole.
void Escribe(QLineEdit* campo, const QString& texto) {
    for (const QChar c : texto) {
        if (c.unicode() < 128)
            QTest::keyClick(campo, c.toLatin1());
        else
            campo->insert(c);
    }
}

class CorreoSaliente : public testing::TestWithParam<CasoCorreo> {};

TEST_P(CorreoSaliente, AceptarGuardaLoQueSirveYNadaMas) {
    const CasoCorreo& caso = GetParam();
    QTemporaryDir dir;
    const QString carpeta = dir.filePath("Quiltaro");
    motor::DialogoCorreoSaliente d(carpeta);
    Escribe(d.txtServidor, caso.servidor);
    Elige(d.cboSeguridad, caso.seguridad);
    Escribe(d.txtUsuario, caso.usuario);
    Escribe(d.txtContrasena, caso.contrasena);
    Escribe(d.txtNombre, "Cobranza Ñandú");
    Escribe(d.txtDireccion, caso.remitente);
    Escribe(d.txtCopiaArchivo, "archivo@tienda.mx");
    d.txtCertificado->setText(caso.certificado);
    QTest::mouseClick(d.cmdAceptar, Qt::LeftButton);
    if (!caso.falla.isEmpty()) {
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_TRUE(d.lblResultado->text().contains(caso.falla))
            << d.lblResultado->text().toStdString();
        EXPECT_FALSE(QFile::exists(correo::ArchivoAjustes(carpeta)));
        EXPECT_FALSE(QFile::exists(correo::ArchivoContrasena(carpeta)));
        return;
    }
    EXPECT_EQ(d.result(), QDialog::Accepted) << d.lblResultado->text().toStdString();
    const correo::AjustesCorreo a = correo::LeeAjustes(carpeta);
    EXPECT_EQ(a.servidor, caso.servidor);
    EXPECT_EQ(a.seguridad, caso.seguridad);
    EXPECT_EQ(a.puerto, caso.puerto);
    EXPECT_EQ(a.usuario, caso.usuario);
    EXPECT_EQ(a.nombreRemitente, "Cobranza Ñandú");
    EXPECT_EQ(a.direccionRemitente, caso.remitente);
    EXPECT_EQ(a.copiaArchivo, "archivo@tienda.mx");
    EXPECT_TRUE(a.asunto.contains("{periodo}")); // the message texts kept
    EXPECT_EQ(correo::LeeContrasena(carpeta), caso.contrasena);
    if (!caso.contrasena.isEmpty()) {
        EXPECT_FALSE(
            prueba::LeeArchivo(correo::ArchivoAjustes(carpeta)).contains(caso.contrasena.toUtf8()));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(correo::ArchivoContrasena(carpeta)).constData(), &st),
                  0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    // Opened again, the password is not shown, and an empty field keeps it.
    motor::DialogoCorreoSaliente otra(carpeta);
    EXPECT_EQ(otra.txtContrasena->text(), "");
    EXPECT_EQ(otra.txtServidor->text(), caso.servidor);
    EXPECT_EQ(otra.cboSeguridad->currentData().toInt(), int(caso.seguridad));
    EXPECT_EQ(otra.txtPuerto->value(), int(caso.puerto));
    EXPECT_TRUE(otra.Guardar()) << otra.lblResultado->text().toStdString();
    EXPECT_EQ(correo::LeeContrasena(carpeta), caso.contrasena);
}

INSTANTIATE_TEST_SUITE_P(Ajustes, CorreoSaliente, testing::ValuesIn(kCasosCorreo),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST(CorreoSaliente, SinCifrarSoloParaEsteEquipo) {
    QTemporaryDir dir;
    motor::DialogoCorreoSaliente d(dir.path());
    const int claro = int(Seguridad::SinCifrar);
    EXPECT_EQ(d.cboSeguridad->findData(claro), -1);
    Escribe(d.txtServidor, "127.0.0.1");
    Elige(d.cboSeguridad, Seguridad::SinCifrar);
    for (const char* ajeno : {"127.0.0.1.ejemplo.com", "192.168.1.5", "correo.tienda.mx"}) {
        d.txtServidor->clear();
        Escribe(d.txtServidor, ajeno);
        EXPECT_EQ(d.cboSeguridad->findData(claro), -1) << ajeno;
        EXPECT_EQ(d.cboSeguridad->currentData().toInt(), int(Seguridad::StartTls)) << ajeno;
    }
}

// "Probar conexión" logs in on the real server and sends nothing; a wrong password is said.
TEST(CorreoSaliente, ProbarConexionSoloIniciaSesion) {
    prueba::ServidorCorreo servidor;
    QTemporaryDir dir;
    motor::DialogoCorreoSaliente d(dir.path());
    d.txtServidor->setText("127.0.0.1");
    d.txtPuerto->setValue(int(servidor.puerto()));
    d.txtUsuario->setText(prueba::kUsuarioCorreo);
    d.txtContrasena->setText("no es esta");
    d.txtDireccion->setText("cobranza@tienda.mx");
    d.txtCertificado->setText(prueba::CertificadosDePrueba().autoridad);
    EXPECT_FALSE(d.Probar());
    EXPECT_TRUE(d.lblResultado->text().contains("contraseña"))
        << d.lblResultado->text().toStdString();
    d.txtContrasena->setText(prueba::kClaveCorreo);
    EXPECT_TRUE(d.Probar()) << d.lblResultado->text().toStdString();
    EXPECT_EQ(servidor.Autenticaciones(), 1);
    EXPECT_EQ(servidor.Mensajes().size(), 0);
    EXPECT_FALSE(QFile::exists(correo::ArchivoAjustes(dir.path())));
}

struct CasoLogo {
    const char* nombre;
    QByteArray bytes; // the file's; empty: a file that is not there
    bool bueno;
};

void PrintTo(const CasoLogo& caso, std::ostream* os) {
    *os << caso.nombre;
}

QByteArray Imagen(const char* formato) {
    QImage i(120, 40, QImage::Format_RGB32);
    i.fill(Qt::darkBlue);
    QByteArray b;
    QBuffer buffer(&b);
    buffer.open(QIODevice::WriteOnly);
    i.save(&buffer, formato);
    return b;
}

const CasoLogo kCasosLogo[] = {
    {"png", Imagen("PNG"), true},
    {"jpeg", Imagen("JPEG"), true},
    {"no_es_imagen", "%PDF-1.4 esto no es una imagen", false},
    {"png_cortado", Imagen("PNG").left(60), false},
    {"no_existe", {}, false},
};

class MembreteDialogo : public testing::TestWithParam<CasoLogo> {};

// The letterhead saved with its logo copied in; a bad logo is said at once and never half
// taken: the logo before stays, on screen and on disk.
TEST_P(MembreteDialogo, UnLogoMaloNoSeAplicaAMedias) {
    const CasoLogo& caso = GetParam();
    QTemporaryDir dir;
    const QString carpeta = dir.filePath("Quiltaro");
    const QString primero = dir.filePath("primero.png");
    prueba::EscribeArchivo(primero, Imagen("PNG"));
    {
        motor::DialogoMembrete d(carpeta);
        EXPECT_EQ(d.cboEtiquetaFiscal->currentText(), "RFC");
        Escribe(d.txtNombre, "Ferretería Ñandú");
        Escribe(d.txtDireccion[0], "Av. Juárez 123");
        Escribe(d.txtIdentificacion, "FNA010101AB1");
        ASSERT_TRUE(d.PonLogo(primero));
        ASSERT_TRUE(d.Guardar()) << d.lblResultado->text().toStdString();
    }
    const QByteArray guardado = prueba::LeeArchivo(motor::LeeMembrete(carpeta).logo);

    motor::DialogoMembrete d(carpeta);
    EXPECT_EQ(d.txtNombre->text(), "Ferretería Ñandú");
    const QString nuevo = dir.filePath(QString("nuevo.") + caso.nombre);
    if (!caso.bytes.isEmpty())
        prueba::EscribeArchivo(nuevo, caso.bytes);
    EXPECT_EQ(d.PonLogo(nuevo), caso.bueno);
    if (!caso.bueno) {
        EXPECT_TRUE(d.lblResultado->text().contains(QDir::toNativeSeparators(nuevo)))
            << d.lblResultado->text().toStdString();
        EXPECT_EQ(QDir::fromNativeSeparators(d.txtLogo->text()), motor::LeeMembrete(carpeta).logo);
        // Even handed over behind the dialog's back, the file is refused before any write.
        motor::Membrete m = d.Datos();
        m.logo = nuevo;
        EXPECT_THROW(motor::GuardaMembrete(m, carpeta), motor::ErrorMotor);
    }
    d.txtTelefono->setText("443 312 0000");
    ASSERT_TRUE(d.Guardar()) << d.lblResultado->text().toStdString();
    const motor::Membrete m = motor::LeeMembrete(carpeta);
    EXPECT_EQ(m.telefono, "443 312 0000");
    EXPECT_EQ(prueba::LeeArchivo(m.logo), caso.bueno ? caso.bytes : guardado);
    EXPECT_TRUE(m.logo.startsWith(carpeta));
}

INSTANTIATE_TEST_SUITE_P(Logos, MembreteDialogo, testing::ValuesIn(kCasosLogo),
                         [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
