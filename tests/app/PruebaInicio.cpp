// The start-up and shutdown sequences, with and without the window.
#include "host/Recordset.h"
#include "startup/Inicio.h"
#include "tests/app/VentanaPrueba.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <ostream>

namespace prueba {
namespace {

// What the sequences do to a window, recorded.
class VentanaFalsa final : public inicio::VentanaInicio {
public:
    struct Fecha {
        int index;
        QString mascara, formato, texto;
    };
    void PreparaFecha(int index, const QString& mascara, const QString& formato,
                      const QString& texto) override {
        fechas.push_back({index, mascara, formato, texto});
    }
    void PonEstado(const QString& caption) override { estado = caption; }
    QString Titulo() const override { return titulo; }
    void PonTitulo(const QString& caption) override { titulo = caption; }
    qm::PuertoMensajes& Mensajes() override { return mensajes; }
    void Cierra() override { ++cierres; }

    std::vector<Fecha> fechas;
    QString estado;
    QString titulo = QStringLiteral("Reporte de movimientos de clientes");
    MensajesGrabados mensajes;
    int cierres = 0;
};

bool HayTabla(const QString& base, const QString& tabla) {
    qm::Recordset rs = Conecta().Consulta(
        QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='%1' "
                       "AND TABLE_NAME='%2'")
            .arg(base, tabla));
    return rs.Valor(0).toLongLong() > 0;
}

class Inicio : public VentanaPrueba {};

TEST_F(Inicio, LaSecuenciaPreparaFechasEstadoTituloYLaCopiaDeTrabajo) {
    VentanaFalsa falsa;
    inicio::modComun objetos;
    inicio::EstadoPrincipal estado;
    ASSERT_TRUE(inicio::Arranca(falsa, objetos, estado, instalacion->carpetaEjecutable()));

    EXPECT_EQ(estado.cArchivoIni, instalacion->carpetaEjecutable() + "/Quiltaro.ini");
    EXPECT_EQ(QDir::currentPath(), QDir(instalacion->carpetaEjecutable()).canonicalPath());
    ASSERT_EQ(falsa.fechas.size(), 2u);
    const QString hoy = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    for (int index : {0, 1}) {
        EXPECT_EQ(falsa.fechas[index].index, index);
        EXPECT_EQ(falsa.fechas[index].mascara, QStringLiteral("99/99/9999;_"));
        EXPECT_EQ(falsa.fechas[index].formato, QStringLiteral("dd/mm/yyyy"));
        EXPECT_EQ(falsa.fechas[index].texto, hoy);
    }
    EXPECT_EQ(falsa.estado, QStringLiteral(" Servidor: %1\r  Base de datos: %2")
                                .arg(Servidor().servidor, base->nombre()));
    EXPECT_EQ(falsa.titulo, QStringLiteral("Reporte de movimientos de clientes      1.0.0"));
    EXPECT_EQ(falsa.cierres, 0);
    EXPECT_TRUE(falsa.mensajes.mensajes.empty());
    ASSERT_NE(objetos.libQMCM, nullptr);
    EXPECT_NE(objetos.DeMonedas, nullptr);
    EXPECT_NE(objetos.Utilerias, nullptr);

    EXPECT_TRUE(estado.cn.abierta());
    EXPECT_TRUE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
    EXPECT_TRUE(HayTabla(QStringLiteral("trevantoreportes"), QStringLiteral("ravesta")));
    EXPECT_TRUE(estado.cSQL.contains(QStringLiteral("tmpravesta")));
    EXPECT_EQ(prueba::ColumnasDe(base->nombre(), QStringLiteral("tmpravesta")),
              prueba::ColumnasDe(QStringLiteral("trevantoreportes"), QStringLiteral("ravesta")));

    inicio::Termina(objetos, estado);
    EXPECT_FALSE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
    EXPECT_FALSE(estado.cn.abierta());
    EXPECT_EQ(objetos.libQMCM, nullptr);
    EXPECT_EQ(objetos.BasesDD, nullptr);
    EXPECT_EQ(objetos.Utilerias, nullptr);
}

TEST_F(Inicio, UnaCopiaDeTrabajoQueQuedoDeAntesSeReemplazaVacia) {
    Conecta(base->nombre())
        .Execute(QStringLiteral("CREATE TABLE tmpravesta (sobrante int, otra varchar(5))"));
    Conecta(base->nombre()).Execute(QStringLiteral("INSERT INTO tmpravesta VALUES (1, 'x')"));
    ASSERT_TRUE(AbreVentana(*instalacion));
    EXPECT_EQ(prueba::ColumnasDe(base->nombre(), QStringLiteral("tmpravesta")),
              prueba::ColumnasDe(QStringLiteral("trevantoreportes"), QStringLiteral("ravesta")));
    qm::Recordset rs =
        Conecta(base->nombre()).Consulta(QStringLiteral("SELECT COUNT(*) FROM tmpravesta"));
    EXPECT_EQ(rs.Valor(0).toLongLong(), 0);
}

TEST_F(Inicio, AlCerrarSeBorraLaCopiaDeTrabajoYTerminaElPrograma) {
    ASSERT_TRUE(AbreVentana(*instalacion));
    ASSERT_TRUE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
    CierraVentana();
    EXPECT_FALSE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
    EXPECT_FALSE(ventana->estado.cn.abierta());
    EXPECT_EQ(ventana->objetos.libQMCM, nullptr);
    EXPECT_EQ(salidas, std::vector<int>{0});
    EXPECT_TRUE(mensajes.mensajes.empty());
    // A second close does not run the sequence again.
    ventana->close();
    EXPECT_EQ(salidas.size(), 1u);
}

TEST_F(Inicio, SiLaInstalacionNoSeAceptaSoloSaleElMensajeYTermina) {
    const QString sinHost = instalacion->carpetaEjecutable() + QStringLiteral("/no-hay-trevanto");
    QDir().mkpath(sinHost);
    instalacion->ApuntaA(sinHost);
    QFile ini(instalacion->archivoIni());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray iniAntes = ini.readAll();
    ini.close();

    EXPECT_FALSE(AbreVentana(*instalacion));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    const qm::Mensaje& mensaje = mensajes.mensajes[0];
    EXPECT_EQ(mensaje.titulo, QStringLiteral("Atención"));
    EXPECT_EQ(mensaje.icono, qm::Icono::Critico);
    EXPECT_EQ(mensaje.texto, QStringLiteral("En el archivo de configuración de este programa\r"
                                            "\r"
                                            "(%1)\r"
                                            "\r"
                                            "debe indicarse la ruta correcta de Trevanto Premium.\r"
                                            "Ruta indicada e incorrecta: \r"
                                            "\r"
                                            "%2\r"
                                            "\r"
                                            "La carpeta existe, pero no tiene el archivo "
                                            "%2/Trevanto.ini de Trevanto Premium.")
                                 .arg(instalacion->archivoIni(), sinHost));
    EXPECT_TRUE(ventana->terminado());
    ASSERT_EQ(salidas.size(), 1u);
    EXPECT_NE(salidas[0], 0);
    EXPECT_FALSE(ventana->isVisible());
    EXPECT_EQ(ventana->objetos.libQMCM, nullptr);
    EXPECT_FALSE(ventana->estado.cn.abierta());
    EXPECT_FALSE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), iniAntes);
}

TEST_F(Inicio, UnServidorInalcanzableSeMuestraConNumeroYTextoYTermina) {
    const InstalacionPrueba cerrada(Servidor(), base->nombre(), PuertoCerrado());
    EXPECT_FALSE(AbreVentana(cerrada));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    const QString texto = mensajes.mensajes[0].texto;
    // "Error no. N: description", N the client's own number (2002/2003 for no server).
    const QRegularExpression forma(QStringLiteral("^Error no\\. (\\d+): (.+)$"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch partes = forma.match(texto);
    ASSERT_TRUE(partes.hasMatch()) << texto.toStdString();
    EXPECT_NE(partes.captured(1).toLong(), 0);
    EXPECT_FALSE(partes.captured(2).trimmed().isEmpty());
    EXPECT_EQ(mensajes.mensajes[0].icono, qm::Icono::Critico);
    EXPECT_TRUE(ventana->terminado());
    ASSERT_EQ(salidas.size(), 1u);
    EXPECT_NE(salidas[0], 0);
    EXPECT_EQ(ventana->objetos.BasesDD, nullptr);
    EXPECT_FALSE(HayTabla(base->nombre(), QStringLiteral("tmpravesta")));
}

TEST_F(Inicio, UnaBaseQueNoExisteSeMuestraYTermina) {
    const InstalacionPrueba otra(Servidor(), base->nombre() + QStringLiteral("_no_existe"));
    EXPECT_FALSE(AbreVentana(otra));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    EXPECT_TRUE(mensajes.mensajes[0].texto.startsWith(QStringLiteral("Error no. 1049: ")))
        << mensajes.mensajes[0].texto.toStdString();
    ASSERT_EQ(salidas.size(), 1u);
    EXPECT_NE(salidas[0], 0);
}

// Each failure of settings keeps the server's "Error no. N: text" first (or the program's own
// installation-path message) and adds one line naming what to fix and where.
struct CasoFallo {
    const char* nombre;
    long numero; // 0: the installation-path message
    std::function<void(DatosServidor&, QString& base)> ajusta;
    std::function<void(const InstalacionPrueba&)> toca;
    // Texts the message must hold; %ini and %host stand for the two files' paths, %srv for
    // server:port.
    QStringList dice;
};

void PrintTo(const CasoFallo& c, std::ostream* os) {
    *os << c.nombre;
}

class InicioFallido : public VentanaPrueba, public ::testing::WithParamInterface<CasoFallo> {};

TEST_P(InicioFallido, ElMensajeDiceQueRevisarYDonde) {
    const CasoFallo& caso = GetParam();
    DatosServidor datos = Servidor();
    QString nombreBase = base->nombre();
    if (caso.ajusta)
        caso.ajusta(datos, nombreBase);
    const InstalacionPrueba usada(datos, nombreBase);
    if (caso.toca)
        caso.toca(usada);
    EXPECT_FALSE(AbreVentana(usada));
    ASSERT_EQ(mensajes.mensajes.size(), 1u);
    const QString texto = mensajes.mensajes[0].texto;
    if (caso.numero > 0) {
        EXPECT_TRUE(texto.startsWith(QStringLiteral("Error no. %1: ").arg(caso.numero)))
            << texto.toStdString();
        // The server's text, then the one line.
        EXPECT_EQ(texto.count(QChar(13)), 1) << texto.toStdString();
    }
    const QString servidor = QStringLiteral("%1:%2").arg(datos.servidor).arg(datos.puerto);
    for (QString parte : caso.dice) {
        parte.replace("%ini", usada.archivoIni())
            .replace("%host", usada.carpetaHost() + "/Trevanto.ini")
            .replace("%srv", servidor);
        EXPECT_TRUE(texto.contains(parte)) << "falta «" << parte.toStdString() << "» en:\n"
                                           << texto.toStdString();
    }
    ASSERT_EQ(salidas.size(), 1u);
    EXPECT_NE(salidas[0], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ajustes, InicioFallido,
    ::testing::Values(
        CasoFallo{
            "SinTrevantoIni",
            0,
            {},
            [](const InstalacionPrueba& i) { QFile::remove(i.carpetaHost() + "/Trevanto.ini"); },
            {"debe indicarse la ruta correcta de Trevanto Premium.", "no tiene el archivo %host"}},
        CasoFallo{
            "SinCarpetaDelHost",
            0,
            {},
            [](const InstalacionPrueba& i) { i.ApuntaA(i.carpetaHost() + "/no-existe"); },
            {"debe indicarse la ruta correcta de Trevanto Premium.", "La carpeta no existe."}},
        CasoFallo{"ServidorInalcanzable",
                  2002,
                  [](DatosServidor& d, QString&) { d.puerto = PuertoCerrado(); },
                  {},
                  {"%srv", "MySQLServer", "MySQLPuerto", "%host"}},
        CasoFallo{"ContrasenaRechazada",
                  1045,
                  [](DatosServidor& d, QString&) { d.password += "-mala"; },
                  {},
                  {"MySQLUsuario", "MySQLPassword", "%host"}},
        CasoFallo{"BaseDesconocida",
                  1049,
                  [](DatosServidor&, QString& b) { b += "_no_existe"; },
                  {},
                  {"Base de datos a usar", "%ini", "no existe"}}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(InicioSinServidor, CerrarConElServidorYaCaidoTerminaLimpio) {
    ServidorPropio propio;
    BaseTemporal base(QStringLiteral("cierre"), propio.datos());
    const InstalacionPrueba instalacion(propio.datos(), base.nombre());
    MensajesGrabados mensajes;
    std::vector<int> salidas;
    frmPrincipal ventana({instalacion.carpetaEjecutable(), &mensajes,
                          [&](int codigo) { salidas.push_back(codigo); }});
    ASSERT_TRUE(ventana.Form_Load());
    ventana.show();
    propio.Detiene();
    ventana.close();
    EXPECT_TRUE(ventana.terminado());
    EXPECT_EQ(salidas, std::vector<int>{0});
    EXPECT_FALSE(ventana.estado.cn.abierta());
    EXPECT_EQ(ventana.objetos.libQMCM, nullptr);
    EXPECT_EQ(ventana.objetos.DelRegistro, nullptr);
    EXPECT_TRUE(mensajes.mensajes.empty());
}

} // namespace
} // namespace prueba
