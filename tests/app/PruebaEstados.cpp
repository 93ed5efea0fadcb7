// The real program, run as a timer's service runs it: no display at all, statements of the demo
// data written and sent through the local mail server (STARTTLS and AUTH), its exit status,
// its lines, the log and the Maildir agreeing.
#include "demo/datos/DatosHost.h"
#include "mail/Ajustes.h"
#include "mail/Bitacora.h"
#include "mail/Contrasena.h"
#include "mail/Csv.h"
#include "mail/Direcciones.h"
#include "mail/Mensaje.h"
#include "reportengine/EstadosCuenta.h"
#include "tests/app/InstalacionPrueba.h"
#include "tests/mail/ServidorCorreo.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>

namespace prueba {
namespace {

enum class Correo { Ninguno, Bueno, ClaveErronea, ServidorCerrado };

struct Caso {
    const char* nombre;
    QStringList argumentos; // after --estados --carpeta DIR; "MES" is the month before today
    Correo correo = Correo::Ninguno;
    int salida = 0;
    bool rechazaUno = false; // the second customer's address is refused (550)
    bool soloUno = false;    // --cliente: one customer
};

void PrintTo(const Caso& caso, std::ostream* os) {
    *os << caso.nombre;
}

const QDate kHoy = QDate::currentDate();
const QDate kDesde = QDate(kHoy.year(), kHoy.month(), 1).addMonths(-2);
const QDate kHasta = kHoy;
const QString kDesdeLinea = kDesde.toString("ddMMyyyy");
const QString kHastaLinea = kHasta.toString("ddMMyyyy");

const Caso kCasos[] = {
    {"sin_enviar", {"--desde", kDesdeLinea, "--hasta", kHastaLinea}},
    {"todos_enviados", {"--desde", kDesdeLinea, "--hasta", kHastaLinea, "--enviar"}, Correo::Bueno},
    {"uno_rechazado",
     {"--desde", kDesdeLinea, "--hasta", kHastaLinea, "--enviar"},
     Correo::Bueno,
     1,
     true},
    {"clave_erronea",
     {"--desde", kDesdeLinea, "--hasta", kHastaLinea, "--enviar"},
     Correo::ClaveErronea,
     2},
    {"servidor_cerrado",
     {"--desde", kDesdeLinea, "--hasta", kHastaLinea, "--enviar"},
     Correo::ServidorCerrado,
     2},
    {"fechas_malas", {"--desde", "31022026", "--hasta", kHastaLinea}, Correo::Ninguno, 2},
    {"un_cliente",
     {"--desde", kDesdeLinea, "--hasta", kHastaLinea, "--cliente", "C001", "--enviar"},
     Correo::Bueno,
     0,
     false,
     true},
    {"mes_anterior", {"--mes-anterior", "--enviar"}, Correo::Bueno},
};

// The demo's customers over the last months, in a database of this process.
struct Datos {
    BaseTemporal base{QStringLiteral("estados")};
    demo::ResumenDatos resumen;
    Datos() {
        qm::Conexion cn = Conecta(base.nombre());
        demo::OpcionesDatos o;
        o.clientes = 6;
        o.movimientos = 150;
        o.desde = kDesde;
        o.hasta = kHasta;
        o.variantesDeClave = true; // C001, with most of its documents last month
        resumen = demo::GeneraDatos(cn, o);
    }
};
const Datos& DatosDemo() {
    static const Datos datos;
    return datos;
}

// Each customer's address in the shop's Correos.csv.
QString Direccion(int i, bool rechaza) {
    return QStringLiteral("%1%2@ejemplo.mx").arg(rechaza ? "rechaza" : "cliente").arg(i);
}

class Estados : public testing::TestWithParam<Caso> {};

TEST_P(Estados, SalidaLineasEstadosRegistroYBuzon) {
    const Caso& caso = GetParam();
    const Datos& datos = DatosDemo();
    const InstalacionPrueba instalacion(Servidor(), datos.base.nombre());
    for (const char* archivo : {"quiltaro", "quiltaro.rpt"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILTARO_BINARY_DIR "/app/") + archivo,
                                instalacion.carpetaEjecutable() + "/" + archivo));
    QTemporaryDir casa;
    const QString ajustes = casa.path() + "/config/Quiltaro";
    const QString carpeta = casa.path() + "/Estados de cuenta";
    std::map<QString, QString> direcciones; // code -> address
    QString correos;
    for (int i = 0; i < datos.resumen.claves.size(); ++i) {
        const QString& clave = datos.resumen.claves[i];
        direcciones[clave] = Direccion(i, caso.rechazaUno && i == 1);
        correos += "\"" + QString(clave).replace("\"", "\"\"") + "\"," + direcciones[clave] + "\n";
    }
    std::optional<ServidorCorreo> servidor;
    if (caso.correo != Correo::Ninguno) {
        servidor.emplace();
        correo::AjustesCorreo a = correo::AjustesPorOmision();
        a.servidor = "127.0.0.1";
        a.puerto = caso.correo == Correo::ServidorCerrado ? PuertoCerrado() : servidor->puerto();
        a.usuario = kUsuarioCorreo;
        a.direccionRemitente = "cobranza@tienda.mx";
        a.archivoCertificado = CertificadosDePrueba().autoridad;
        a.segundosConexion = 5;
        a.segundosRespuesta = 5;
        correo::GuardaAjustes(a, ajustes);
        correo::GuardaContrasena(caso.correo == Correo::ClaveErronea ? "otra" : kClaveCorreo,
                                 ajustes);
        EscribeArchivo(correo::ArchivoCorreos(ajustes), correos.toUtf8());
    }

    QProcess programa;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        entorno.remove(variable);
    entorno.insert("HOME", casa.path());
    entorno.insert("XDG_CONFIG_HOME", casa.path() + "/config");
    programa.setProcessEnvironment(entorno);
    programa.setWorkingDirectory(casa.path());
    programa.start(instalacion.carpetaEjecutable() + "/quiltaro",
                   QStringList{"--estados", "--carpeta", "Estados de cuenta"} + caso.argumentos);
    ASSERT_TRUE(programa.waitForFinished(240000)); // against a hang only
    const QString errores = QString::fromUtf8(programa.readAllStandardError());
    const QStringList lineas = QString::fromUtf8(programa.readAllStandardOutput()).split('\n');
    ASSERT_EQ(programa.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(programa.exitCode(), caso.salida) << errores.toStdString();
    if (caso.argumentos.contains("31022026")) {
        EXPECT_TRUE(errores.contains("31022026")) << errores.toStdString();
        EXPECT_FALSE(QFileInfo::exists(carpeta));
        return;
    }

    // One line per customer (code, name, result, address or reason), then the summary; one
    // statement per customer and the index listing them.
    std::map<QString, QStringList> porCliente;
    for (const QString& linea : lineas)
        if (linea.count('\t') == 3)
            porCliente[linea.section('\t', 0, 0)] = linea.split('\t');
    const auto indice = correo::LeeCsv(LeeArchivo(carpeta + "/" + motor::NombreIndiceEstados()));
    ASSERT_EQ(indice.size(), porCliente.size() + 1);
    EXPECT_EQ(porCliente.size(), caso.soloUno ? 1u : QDir(carpeta, "*.pdf").count());
    EXPECT_GE(porCliente.size(), caso.soloUno ? 1u : 2u);
    for (std::size_t i = 1; i < indice.size(); ++i) {
        const auto linea = porCliente.find(indice[i][0].trimmed());
        ASSERT_NE(linea, porCliente.end()) << indice[i][0].toStdString();
        EXPECT_TRUE(QFileInfo::exists(carpeta + "/" + indice[i][2])) << indice[i][2].toStdString();
        if (caso.correo == Correo::Ninguno) {
            EXPECT_EQ(linea->second[3], indice[i][2]);
        }
    }
    if (caso.soloUno) {
        EXPECT_EQ(porCliente.begin()->first, "C001");
    }

    const std::vector<correo::Asiento> log = correo::Bitacora(carpeta).Lee();
    if (caso.correo == Correo::Ninguno) {
        EXPECT_TRUE(log.empty());
        for (const auto& [clave, campos] : porCliente)
            EXPECT_EQ(campos[2], "escrito");
        return;
    }
    // The log says per customer what the line says, once; the Maildir holds one message for
    // each customer sent, to its address, and nothing else.
    const auto periodo = caso.argumentos.contains("--mes-anterior")
                             ? correo::Periodo(QDate(kHoy.year(), kHoy.month(), 1).addMonths(-1),
                                               QDate(kHoy.year(), kHoy.month(), 1).addDays(-1))
                             : correo::Periodo(kDesde, kHasta);
    ASSERT_EQ(log.size(), porCliente.size());
    QStringList enviadas;
    for (const correo::Asiento& a : log) {
        SCOPED_TRACE(a.clave.toStdString());
        EXPECT_EQ(a.periodo, periodo);
        EXPECT_EQ(porCliente[a.clave][2], a.resultado);
        const bool rechazada = direcciones[a.clave].startsWith("rechaza");
        const QString esperado = caso.salida == 2 ? correo::resultados::NoEnviado
                                 : rechazada      ? correo::resultados::Rechazado
                                                  : correo::resultados::Enviado;
        EXPECT_EQ(a.resultado, esperado) << a.respuesta.toStdString();
        if (a.resultado == correo::resultados::Enviado) {
            EXPECT_EQ(a.direccion, direcciones[a.clave]);
            enviadas << a.direccion;
        }
    }
    QStringList recibidas;
    for (const auto& m : servidor->Mensajes())
        recibidas << m.toObject()["sobre"].toArray()[0].toString();
    enviadas.sort();
    recibidas.sort();
    EXPECT_EQ(recibidas, enviadas);
}

INSTANTIATE_TEST_SUITE_P(SinVentana, Estados, testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
} // namespace prueba
