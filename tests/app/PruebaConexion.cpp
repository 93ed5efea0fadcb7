// Setting the connection up from the dialog: what "Probar" says for each fault, what "Guardar"
// writes, and a start-up that fails for a setting going on through the dialog.
#include "app/DialogoConexion.h"
#include "demo/datos/DatosHost.h"
#include "host/Ini.h"
#include "host/Utilerias.h"
#include "startup/Conexion.h"
#include "tests/app/VentanaPrueba.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <functional>
#include <ostream>

namespace prueba {
namespace {

std::filesystem::perms Modo(const QString& archivo) {
    return std::filesystem::status(archivo.toStdString()).permissions() &
           std::filesystem::perms::mask;
}

inicio::DatosConexion Buenos(const QString& base) {
    const DatosServidor& s = Servidor();
    return {QString(), base, s.servidor, s.puerto, s.usuario, s.password};
}

struct CasoPrueba {
    const char* nombre;
    std::function<void(inicio::DatosConexion&)> estropea;
    QStringList dice; // %srv: server:port; %base: the database
};

void PrintTo(const CasoPrueba& c, std::ostream* os) {
    *os << c.nombre;
}

class ProbarConexion : public ::testing::TestWithParam<CasoPrueba> {};

TEST_P(ProbarConexion, DiceQueEstaMal) {
    BaseTemporal base(QStringLiteral("probar"));
    qm::Conexion cn = Conecta(base.nombre());
    for (const char* tabla : {"facturas", "remisiones", "devolucionctes", "edoctacli", "clientes"})
        cn.Execute(QStringLiteral("CREATE TABLE %1 (a int)").arg(tabla));
    inicio::DatosConexion d = Buenos(base.nombre());
    GetParam().estropea(d);
    const QString dicho = inicio::PruebaConexion(d);
    if (GetParam().dice.isEmpty()) {
        EXPECT_EQ(dicho, QString());
    }
    for (QString parte : GetParam().dice) {
        parte.replace("%srv", QStringLiteral("%1:%2").arg(d.servidor).arg(d.puerto))
            .replace("%base", d.base);
        EXPECT_TRUE(dicho.contains(parte)) << "falta «" << parte.toStdString() << "» en:\n"
                                           << dicho.toStdString();
    }
}

// A user that may read every host table but facturas.
void SinFacturas(inicio::DatosConexion& d) {
    qm::Conexion cn = Conecta();
    const QString usuario = QStringLiteral("sinfact%1").arg(QCoreApplication::applicationPid());
    for (const char* anfitrion : {"localhost", "%"}) {
        cn.Execute(QStringLiteral("CREATE OR REPLACE USER '%1'@'%2' IDENTIFIED BY 'x;ñ'")
                       .arg(usuario, anfitrion));
        for (const char* tabla : {"remisiones", "devolucionctes", "edoctacli", "clientes"})
            cn.Execute(QStringLiteral("GRANT SELECT ON %1.%2 TO '%3'@'%4'")
                           .arg(d.base, tabla, usuario, anfitrion));
    }
    d.usuario = usuario;
    d.password = QStringLiteral("x;ñ");
}

INSTANTIATE_TEST_SUITE_P(
    Fallas, ProbarConexion,
    ::testing::Values(CasoPrueba{"Funciona", [](inicio::DatosConexion&) {}, {}},
                      CasoPrueba{"ServidorInalcanzable",
                                 [](inicio::DatosConexion& d) { d.puerto = PuertoCerrado(); },
                                 {"No se llega al servidor %srv"}},
                      CasoPrueba{"ContrasenaRechazada",
                                 [](inicio::DatosConexion& d) { d.password += "-mala"; },
                                 {"rechazó el usuario", "contraseña"}},
                      CasoPrueba{"BaseQueNoExiste",
                                 [](inicio::DatosConexion& d) { d.base += "_no"; },
                                 {"La base de datos \"%base\" no existe"}},
                      CasoPrueba{
                          "FaltaUnDerecho", SinFacturas, {"derecho SELECT", "%base.facturas"}}),
    [](const auto& info) { return std::string(info.param.nombre); });

class Conexion : public VentanaPrueba {};

TEST_F(Conexion, GuardarEscribeLosArchivosYConservaLasDemasClavesDelHost) {
    const QString host = instalacion->carpetaHost() + "/Trevanto.ini";
    EscribeArchivo(host, "[Registro]\r\nMySQLServer=otro\r\nEmpresa=Tienda Ñandú\r\n"
                         "[Otra]\r\nClave=1\r\n");
    using std::filesystem::perms;
    const perms modo = perms::owner_read | perms::owner_write | perms::group_read;
    std::filesystem::permissions(host.toStdString(), modo);
    inicio::DatosConexion d = Buenos(base->nombre());
    d.carpetaHost = instalacion->carpetaHost();
    d.password = QStringLiteral("pa;ss ñ");
    qm::DelRegistro registro;
    const qm::Utilerias utilerias;
    inicio::GuardaConexion(d, instalacion->carpetaEjecutable(), registro, utilerias);

    const QString ini = instalacion->archivoIni();
    EXPECT_EQ(qm::ini::Lee(ini, "Configuración", "Ruta de Trevanto Premium"), d.carpetaHost);
    EXPECT_EQ(qm::ini::Lee(ini, "Configuración", "Base de datos a usar"), d.base);
    EXPECT_EQ(qm::ini::Lee(host, "Registro", "MySQLServer"), d.servidor);
    EXPECT_EQ(qm::ini::Lee(host, "Registro", "MySQLPuerto"), QString::number(d.puerto));
    EXPECT_EQ(utilerias.DesEncripta(qm::ini::Lee(host, "Registro", "MySQLUsuario")), d.usuario);
    const QString guardada = qm::ini::Lee(host, "Registro", "MySQLPassword");
    EXPECT_NE(guardada, d.password);
    EXPECT_EQ(utilerias.DesEncripta(guardada), d.password);
    EXPECT_EQ(qm::ini::Lee(host, "Registro", "Empresa"), QStringLiteral("Tienda Ñandú"));
    EXPECT_EQ(qm::ini::Lee(host, "Otra", "Clave"), QStringLiteral("1"));
    EXPECT_EQ(Modo(host), modo);
}

TEST_F(Conexion, ElArchivoPropioDelUsuarioManda) {
    const QString propio = inicio::ArchivoIniUsuario();
    EXPECT_TRUE(propio.startsWith(Entorno().carpeta())) << propio.toStdString();
    EXPECT_EQ(inicio::ArchivoIni(instalacion->carpetaEjecutable()), instalacion->archivoIni());
    QDir().mkpath(QFileInfo(propio).absolutePath());
    EscribeArchivo(propio, "[Configuración]\nBase de datos a usar=otra\n");
    EXPECT_EQ(inicio::ArchivoIni(instalacion->carpetaEjecutable()), propio);
    QFile::remove(propio);
}

// A PC without the host product: the start fails for the missing Trevanto.ini, the user takes
// the second choice, sets the connection up in a host folder of their own, and the window
// starts.
TEST_F(Conexion, UnArranqueSinHostSigueTrasGuardarEnElDialogo) {
    QFile::remove(instalacion->carpetaHost() + "/Trevanto.ini");
    {
        qm::Conexion cn = Conecta(base->nombre());
        demo::CreaEsquema(cn);
    }
    mensajes.eligeOpcion = true;
    int dialogos = 0;
    QString probado;
    ventana = std::make_unique<VentanaGrabadora>(
        OpcionesVentana{instalacion->carpetaEjecutable(),
                        &mensajes,
                        [this](int codigo) { salidas.push_back(codigo); },
                        {},
                        movimientos::EsperaImpresion,
                        [&] {
                            ++dialogos;
                            DialogoConexion dialogo(instalacion->carpetaEjecutable());
                            dialogo.show();
                            dialogo.txtCarpeta->setText(inicio::CarpetaHostPropia());
                            dialogo.txtBase->setText(base->nombre());
                            dialogo.txtServidor->setText(Servidor().servidor);
                            dialogo.txtPuerto->setValue(int(Servidor().puerto));
                            dialogo.txtUsuario->setText(Servidor().usuario);
                            dialogo.txtPassword->setText(Servidor().password);
                            QTest::mouseClick(dialogo.cmdProbar, Qt::LeftButton);
                            probado = dialogo.lblResultado->text();
                            QTest::mouseClick(dialogo.cmdGuardar, Qt::LeftButton);
                            return dialogo.result() == QDialog::Accepted;
                        }});
    ASSERT_TRUE(ventana->Form_Load())
        << (mensajes.mensajes.empty() ? std::string()
                                      : mensajes.mensajes.back().texto.toStdString());
    EXPECT_EQ(dialogos, 1);
    EXPECT_EQ(probado, QStringLiteral("La conexión funciona."));
    ASSERT_EQ(mensajes.opciones.size(), 1u);
    EXPECT_EQ(mensajes.opciones[0], QStringLiteral("Configurar la conexión…"));
    EXPECT_TRUE(mensajes.mensajes[0].texto.contains("no tiene el archivo"));
    EXPECT_TRUE(ventana->estado.cn.abierta());
    EXPECT_TRUE(salidas.empty());
    using std::filesystem::perms;
    EXPECT_EQ(Modo(inicio::CarpetaHostPropia() + "/Trevanto.ini"),
              perms::owner_read | perms::owner_write);
    // Both data sources, with the driver, for the report.
    const QString odbc = QString::fromUtf8(LeeArchivo(Entorno().odbcIni()));
    EXPECT_TRUE(odbc.contains("[Trevanto Reportes]") && odbc.contains("[myodbc3-test]") &&
                odbc.contains("Driver"))
        << odbc.toStdString();
    CierraVentana();
    QDir(inicio::CarpetaHostPropia()).removeRecursively();
}

TEST_F(Conexion, GuardarEnLaCarpetaDeUnHostPreguntaAntes) {
    DialogoConexion dialogo(instalacion->carpetaEjecutable());
    EXPECT_EQ(dialogo.txtCarpeta->text(), QDir::toNativeSeparators(instalacion->carpetaHost()));
    EXPECT_EQ(dialogo.txtBase->text(), base->nombre());
    EXPECT_EQ(dialogo.txtPassword->text(), Servidor().password);
    QStringList preguntas;
    dialogo.confirma = [&](const QString& p) {
        preguntas << p;
        return false;
    };
    const QByteArray antes = LeeArchivo(instalacion->carpetaHost() + "/Trevanto.ini");
    dialogo.txtServidor->setText("otro.servidor");
    EXPECT_FALSE(dialogo.Guardar());
    ASSERT_EQ(preguntas.size(), 1);
    EXPECT_TRUE(preguntas[0].contains("Trevanto.ini"));
    EXPECT_EQ(LeeArchivo(instalacion->carpetaHost() + "/Trevanto.ini"), antes);
    EXPECT_EQ(dialogo.result(), QDialog::Rejected);
}

} // namespace
} // namespace prueba
