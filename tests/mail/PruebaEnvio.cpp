#include "ServidorCorreo.h"
#include "mail/Bitacora.h"
#include "mail/Envio.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Membrete.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace correo;

struct Cliente {
    QString clave;
    QString nombre;
    QString direcciones; // as the customer table holds them
    QString esperado;    // its result in the log
};

enum class Ajuste { Bueno, ClaveErronea, AutoridadAjena, TlsDirecto, SinCifrar };

struct Caso {
    const char* nombre;
    std::vector<Cliente> clientes;
    Ajuste ajuste = Ajuste::Bueno;
    QString falla;               // a word of why the run stopped; "" when it ran to its end
    std::size_t cancelaTras = 0; // customers after which the progress says stop; 0 never
};

void PrintTo(const Caso& caso, std::ostream* os) {
    *os << caso.nombre;
}

const QString E = resultados::Enviado;
const QString N = resultados::NoEnviado;

// The customer with accents and "/" is in every row.
Cliente Pena(const QString& direccion, const QString& esperado) {
    return {"C002", "Peña / Hijos", direccion, esperado};
}
const Cliente kC001{"C001", "Ferretería Fina", "c001@ejemplo.mx", E};
const Cliente kC003{"C003", "Luz", "c003@ejemplo.mx;otra.c003@ejemplo.mx", E};

const Caso kCasos[] = {
    {"todo_bien", {kC001, Pena("c002@ejemplo.mx", E), kC003}, Ajuste::Bueno, ""},
    {"clave_erronea",
     {{"C001", "Ferretería Fina", "c001@ejemplo.mx", N},
      Pena("c002@ejemplo.mx", N),
      {"C003", "Luz", "c003@ejemplo.mx", N}},
     Ajuste::ClaveErronea,
     "contraseña"},
    {"autoridad_ajena",
     {{"C001", "Ferretería Fina", "c001@ejemplo.mx", N},
      Pena("c002@ejemplo.mx", N),
      {"C003", "Luz", "c003@ejemplo.mx", N}},
     Ajuste::AutoridadAjena,
     "certificado"},
    {"tls_directo", {kC001, Pena("c002@ejemplo.mx", E), kC003}, Ajuste::TlsDirecto, ""},
    {"sin_cifrar_local", {kC001, Pena("c002@ejemplo.mx", E), kC003}, Ajuste::SinCifrar, ""},
    {"temporal_y_luego_si", {kC001, Pena("temporal@ejemplo.mx", E), kC003}, Ajuste::Bueno, ""},
    {"rechazo_permanente",
     {kC001, Pena("rechaza@ejemplo.mx", resultados::Rechazado), kC003},
     Ajuste::Bueno,
     ""},
    {"conexion_cortada", {kC001, Pena("corta@ejemplo.mx", E), kC003}, Ajuste::Bueno, ""},
    {"servidor_caido",
     {kC001, Pena("apaga@ejemplo.mx", N), {"C003", "Luz", "c003@ejemplo.mx", N}},
     Ajuste::Bueno,
     "respuesta"},
    {"servidor_mudo",
     {kC001, Pena("silencio@ejemplo.mx", N), {"C003", "Luz", "c003@ejemplo.mx", N}},
     Ajuste::Bueno,
     "respuesta"},
    {"sin_correo",
     {{"C001", "Ferretería Fina", "c001@ejemplo.mx; no es correo", E},
      Pena("", resultados::SinCorreo),
      {"C003", "Luz", "c3@@ejemplo", resultados::SinCorreo}},
     Ajuste::Bueno,
     ""},
    {"cancelado",
     {kC001, Pena("c002@ejemplo.mx", N), {"C003", "Luz", "c003@ejemplo.mx", N}},
     Ajuste::Bueno,
     "",
     1},
};

AjustesCorreo Ajustes(const prueba::ServidorCorreo& servidor) {
    AjustesCorreo a = AjustesPorOmision();
    a.servidor = "127.0.0.1";
    a.puerto = servidor.puerto();
    a.usuario = prueba::kUsuarioCorreo;
    a.nombreRemitente = "Cobranza Ñandú";
    a.direccionRemitente = "cobranza@tienda.mx";
    a.responderA = "dudas@tienda.mx";
    a.copiaArchivo = "archivo@tienda.mx";
    a.archivoCertificado = prueba::CertificadosDePrueba().autoridad;
    a.segundosConexion = 5;
    a.segundosRespuesta = 2;
    return a;
}

OpcionesEnvio Opciones() {
    OpcionesEnvio o;
    o.periodo = Periodo(QDate(2026, 11, 1), QDate(2026, 11, 30));
    o.pausa = std::chrono::milliseconds(10);
    return o;
}

// A statement of bytes a mail path could spoil: line ends, lone dots, NULs.
QByteArray Estado(const QString& clave) {
    QByteArray b = "%PDF-1.4\r\n" + clave.toLatin1() + "\r\n.\r\n..\n.\rFrom x\r\n";
    for (int i = 0; i < 60000; ++i)
        b += char(QRandomGenerator::global()->bounded(256));
    return b;
}

std::vector<EstadoPorEnviar> Estados(const std::vector<Cliente>& clientes, const QString& carpeta) {
    std::vector<EstadoPorEnviar> estados;
    for (const Cliente& c : clientes) {
        const QString archivo =
            carpeta + "/" + motor::NombreSeguro(c.clave + " - " + c.nombre) + ".pdf";
        prueba::EscribeArchivo(archivo, Estado(c.clave));
        estados.push_back({c.clave, c.nombre, 1234.5, archivo, DireccionesDe(c.direcciones, {})});
    }
    return estados;
}

// Each message in the Maildir, checked whole against the customer it went to.
void RevisaMensaje(const QJsonObject& m, const EstadoPorEnviar& e, const AjustesCorreo& a,
                   const OpcionesEnvio& o) {
    const Mensaje esperado = MensajeDe(a, e, o);
    QStringList sobre;
    for (const auto& v : m["sobre"].toArray())
        sobre << v.toString();
    EXPECT_EQ(sobre, e.correos.validas + QStringList{a.copiaArchivo});
    EXPECT_FALSE(m["bcc"].toBool());
    EXPECT_FALSE(m["para"].toString().contains(a.copiaArchivo));
    EXPECT_EQ(m["de"].toString(), "Cobranza Ñandú <cobranza@tienda.mx>");
    EXPECT_EQ(m["responder"].toString(), a.responderA);
    EXPECT_EQ(m["asunto"].toString(), esperado.asunto);
    EXPECT_EQ(m["cuerpo"].toString().replace("\r\n", "\n"), esperado.cuerpo);
    EXPECT_TRUE(m["id"].toString().endsWith("@tienda.mx>"));
    EXPECT_FALSE(m["fecha"].toString().isEmpty());
    const QJsonArray adjuntos = m["adjuntos"].toArray();
    ASSERT_EQ(adjuntos.size(), 1);
    EXPECT_EQ(adjuntos[0]["nombre"].toString(), esperado.nombreAdjunto);
    EXPECT_TRUE(QByteArray::fromBase64(adjuntos[0]["bytes"].toString().toLatin1()) ==
                prueba::LeeArchivo(e.archivo));
}

class Envio : public testing::TestWithParam<Caso> {};

TEST_P(Envio, ElRegistroYElBuzonDicenLoMismo) {
    const Caso& caso = GetParam();
    prueba::ServidorCorreo servidor(caso.ajuste == Ajuste::TlsDirecto  ? "tls"
                                    : caso.ajuste == Ajuste::SinCifrar ? "plano"
                                                                       : "");
    QTemporaryDir carpeta;
    AjustesCorreo a = Ajustes(servidor);
    if (caso.ajuste == Ajuste::TlsDirecto)
        a.seguridad = Seguridad::Tls;
    if (caso.ajuste == Ajuste::SinCifrar)
        a.seguridad = Seguridad::SinCifrar;
    if (caso.ajuste == Ajuste::AutoridadAjena)
        a.archivoCertificado = prueba::CertificadosDePrueba().ajena;
    const QString clave = caso.ajuste == Ajuste::ClaveErronea ? "otra" : prueba::kClaveCorreo;
    const auto estados = Estados(caso.clientes, carpeta.path());
    const OpcionesEnvio o = Opciones();
    QStringList avisados; // each customer's result as the progress saw it
    const auto avance = [&](const Asiento& asiento, std::size_t hechos, std::size_t) {
        avisados << asiento.resultado;
        return caso.cancelaTras == 0 || hechos < caso.cancelaTras;
    };
    const Resumen r = EnviaEstados(a, clave, estados, carpeta.path(), o, avance);

    EXPECT_EQ(r.falla.isEmpty(), caso.falla.isEmpty()) << r.falla.toStdString();
    EXPECT_TRUE(r.falla.contains(caso.falla)) << r.falla.toStdString();
    EXPECT_EQ(r.cancelado, caso.cancelaTras > 0);
    const std::vector<Asiento> log = Bitacora(carpeta.path()).Lee();
    ASSERT_EQ(log.size(), caso.clientes.size());
    ASSERT_EQ(std::size_t(avisados.size()), log.size());
    std::map<QString, const EstadoPorEnviar*> enviados;
    for (std::size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(log[i].clave.toStdString());
        EXPECT_EQ(log[i].clave, caso.clientes[i].clave);
        EXPECT_EQ(log[i].nombre, caso.clientes[i].nombre);
        EXPECT_EQ(log[i].resultado, caso.clientes[i].esperado) << log[i].respuesta.toStdString();
        EXPECT_EQ(avisados[qsizetype(i)], log[i].resultado);
        EXPECT_EQ(log[i].archivo, QFileInfo(estados[i].archivo).fileName());
        EXPECT_EQ(log[i].periodo, o.periodo);
        if (log[i].resultado == E) {
            EXPECT_TRUE(log[i].respuesta.startsWith("250")) << log[i].respuesta.toStdString();
            enviados[estados[i].correos.validas.join(";")] = &estados[i];
        }
    }
    EXPECT_EQ(r.enviados, enviados.size());
    if (QString(caso.nombre) == "todo_bien" || QString(caso.nombre) == "tls_directo") {
        EXPECT_EQ(servidor.Autenticaciones(), 1) << "one connection for the whole run";
    }

    // Exactly one message for each customer the log says was sent, and no other.
    const QJsonArray mensajes = servidor.Mensajes();
    ASSERT_EQ(std::size_t(mensajes.size()), enviados.size());
    for (const auto& v : mensajes) {
        const QJsonObject m = v.toObject();
        QStringList para;
        for (const auto& s : m["sobre"].toArray())
            if (s.toString() != a.copiaArchivo)
                para << s.toString();
        const auto e = enviados.find(para.join(";"));
        ASSERT_NE(e, enviados.end()) << para.join(";").toStdString();
        RevisaMensaje(m, *e->second, a, o);
        enviados.erase(e);
    }
}

INSTANTIATE_TEST_SUITE_P(Fallas, Envio, testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

// A second run sends only what failed; a third sends nothing again.
TEST(EnvioRepetido, SoloLosFallidosYNadaDosVeces) {
    prueba::ServidorCorreo servidor;
    QTemporaryDir carpeta;
    const AjustesCorreo a = Ajustes(servidor);
    auto estados = Estados({kC001, Pena("rechaza@ejemplo.mx", "")}, carpeta.path());
    OpcionesEnvio o = Opciones();
    Resumen r = EnviaEstados(a, prueba::kClaveCorreo, estados, carpeta.path(), o);
    EXPECT_EQ(r.enviados, 1u);
    EXPECT_EQ(r.fallidos, 1u);

    estados[1].correos = DireccionesDe("c002@ejemplo.mx", {});
    o.soloFallidos = true;
    r = EnviaEstados(a, prueba::kClaveCorreo, estados, carpeta.path(), o);
    EXPECT_EQ(r.enviados, 1u);
    EXPECT_EQ(r.fallidos, 0u);

    o.soloFallidos = false;
    r = EnviaEstados(a, prueba::kClaveCorreo, estados, carpeta.path(), o);
    EXPECT_EQ(r.enviados, 0u);
    EXPECT_EQ(r.yaEnviados, 2u);
    EXPECT_EQ(servidor.Mensajes().size(), 2);
    EXPECT_EQ(Bitacora(carpeta.path()).Lee().size(), 3u);
}

// A test message goes to the sender alone, without the archive copy, and is not logged. The
// shop's letterhead, kept beside the settings, closes its body.
TEST(EnvioDePrueba, SoloAlRemitente) {
    prueba::ServidorCorreo servidor;
    QTemporaryDir carpeta;
    motor::Membrete membrete;
    membrete.nombre = "Ferretería Ñandú";
    membrete.direccion = {"Av. Juárez 123", "Morelia"};
    membrete.identificacionFiscal = "FNA010101AB1";
    membrete.telefono = "443 312 0000";
    motor::GuardaMembrete(membrete, carpeta.filePath("ajustes"));
    AjustesCorreo a = Ajustes(servidor);
    a.firma = LeeAjustes(carpeta.filePath("ajustes")).firma;
    const auto estados = Estados({Pena("c002@ejemplo.mx", E)}, carpeta.path());
    const Respuesta r = EnviaPrueba(a, prueba::kClaveCorreo, estados[0], Opciones());
    EXPECT_EQ(r.desenlace, Desenlace::Aceptado) << r.texto.toStdString();
    const QJsonArray mensajes = servidor.Mensajes();
    ASSERT_EQ(mensajes.size(), 1);
    EXPECT_EQ(mensajes[0]["sobre"].toArray(), QJsonArray({a.direccionRemitente}));
    EXPECT_TRUE(mensajes[0]["asunto"].toString().startsWith("[Prueba] Estado de cuenta"));
    EXPECT_TRUE(mensajes[0]["cuerpo"]
                    .toString()
                    .replace("\r\n", "\n")
                    .endsWith("Enviado el " + Opciones().fecha.toString("dd/MM/yyyy") +
                              ".\n\n-- \nFerretería Ñandú\nAv. Juárez 123\nMorelia\n"
                              "RFC: FNA010101AB1\nTel. 443 312 0000\n"))
        << mensajes[0]["cuerpo"].toString().toStdString();
    EXPECT_FALSE(QFile::exists(Bitacora(carpeta.path()).archivo()));
}

// A log that cannot be written stops the run before anything goes.
TEST(EnvioSinRegistro, NoSeEnviaNada) {
    prueba::ServidorCorreo servidor;
    QTemporaryDir carpeta;
    ASSERT_TRUE(QDir(carpeta.path()).mkdir("Envíos.csv"));
    const auto estados = Estados({kC001}, carpeta.path());
    EXPECT_THROW(
        EnviaEstados(Ajustes(servidor), prueba::kClaveCorreo, estados, carpeta.path(), Opciones()),
        motor::ErrorMotor);
    EXPECT_EQ(servidor.Mensajes().size(), 0);
}

} // namespace
