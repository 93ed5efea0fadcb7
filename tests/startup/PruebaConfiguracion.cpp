#include "host/Error.h"
#include "startup/Claves.h"
#include "startup/ParaPluginsPortables.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

const QString kSeccion = "Configuración";
const QString kRuta = "Ruta de Trevanto Premium";
const QString kBase = "Base de datos a usar";

class Grabador : public qm::PuertoMensajes {
public:
    void Muestra(const qm::Mensaje& m) override { mensajes.push_back(m); }
    std::vector<qm::Mensaje> mensajes;
};

QByteArray Contenido(const QString& archivo) {
    QFile f(archivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An executable folder with the program's INI, and a host installation folder.
class Configuracion : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir_.path()).mkpath("app"));
        ASSERT_TRUE(QDir(dir_.path()).mkpath("trevanto"));
        entorno_.archivoIni = dir_.filePath("app/Quiltaro.ini");
        entorno_.carpetaEjecutable = dir_.filePath("app");
        entorno_.mensajes = &grabador_;
    }
    QString Host() const { return dir_.filePath("trevanto/Trevanto.ini"); }
    // The host store holding these values in [Registro].
    void PonHost(const std::map<QString, QString>& valores) {
        QByteArray datos = "[Registro]\r\n";
        for (const auto& [k, v] : valores)
            datos += (k + "=" + v + "\r\n").toUtf8();
        prueba::EscribeArchivo(Host(), datos);
    }
    QString LeeHost(const QString& clave) const { return lib_.LeeIni("Registro", clave, Host()); }
    bool Carga() {
        return inicio::CargaConfiguracion(lib_, registro_, bases_, utilerias_, entorno_);
    }

    QTemporaryDir dir_;
    inicio::EntornoConfiguracion entorno_;
    Grabador grabador_;
    const qm::libQMCM lib_;
    const qm::Utilerias utilerias_;
    qm::DelRegistro registro_;
    qm::BasesDD bases_;
};

TEST_F(Configuracion, PrimerArranqueSinIniYAlmacenVacio) {
    prueba::EscribeArchivo(entorno_.carpetaEjecutable + "/Trevanto.ini", "");
    ASSERT_TRUE(Carga());
    EXPECT_TRUE(grabador_.mensajes.empty());
    EXPECT_EQ(lib_.LeeIni(kSeccion, kRuta, entorno_.archivoIni), entorno_.carpetaEjecutable);
    EXPECT_EQ(lib_.LeeIni(kSeccion, kBase, entorno_.archivoIni), "datos1");
    const QString host = entorno_.carpetaEjecutable + "/Trevanto.ini";
    EXPECT_EQ(lib_.LeeIni("Registro", "MySQLPuerto", host), "3306");
    EXPECT_EQ(lib_.LeeIni("Registro", "MySQLServer", host), "");
    EXPECT_TRUE(Contenido(host).contains("MySQLServer="));
    EXPECT_EQ(utilerias_.DesEncripta(lib_.LeeIni("Registro", "MySQLUsuario", host)), "root");
    EXPECT_NE(lib_.LeeIni("Registro", "MySQLUsuario", host), "root");
    const QString clave = lib_.LeeIni("Registro", "MySQLPassword", host);
    EXPECT_FALSE(clave.trimmed().isEmpty());
    EXPECT_EQ(utilerias_.DesEncripta(clave), "");
    EXPECT_EQ(bases_.cPuerto.toString(), "3306");
    EXPECT_EQ(bases_.cUsuario, "root");
    EXPECT_EQ(bases_.cPassword, "");
    EXPECT_EQ(bases_.cRuta, "");
    EXPECT_EQ(bases_.cMiBase, "datos1");
}

struct CasoIni {
    const char* nombre;
    QByteArray base; // the key's line in the INI, "" for no line
    QString esperado;
    bool reescrita;
};

void PrintTo(const CasoIni& c, std::ostream* os) {
    *os << c.nombre;
}

class ValoresIni : public Configuracion, public ::testing::WithParamInterface<CasoIni> {};

TEST_P(ValoresIni, BaseDeDatos) {
    const CasoIni& caso = GetParam();
    PonHost({{"MySQLPuerto", "3306"}});
    prueba::EscribeArchivo(entorno_.archivoIni, "[Configuración]\r\nRuta de Trevanto Premium=" +
                                                    dir_.filePath("trevanto").toUtf8() + "\r\n" +
                                                    caso.base);
    const QByteArray antes = Contenido(entorno_.archivoIni);
    ASSERT_TRUE(Carga());
    EXPECT_EQ(bases_.cMiBase, caso.esperado);
    if (caso.reescrita)
        EXPECT_TRUE(Contenido(entorno_.archivoIni).contains(kBase.toUtf8() + "=datos1"));
    else
        EXPECT_EQ(Contenido(entorno_.archivoIni), antes);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ValoresIni,
    ::testing::Values(CasoIni{"ausente", "", "datos1", true},
                      CasoIni{"vacia", "Base de datos a usar=\r\n", "datos1", true},
                      CasoIni{"guardada", "Base de datos a usar=contab\r\n", "contab", false},
                      CasoIni{"otras_letras", "BASE DE DATOS A USAR = otra\r\n", "otra", false}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoHost {
    const char* nombre;
    std::map<QString, QString> antes;
    QString puerto, servidor, usuario, password; // the record afterwards
    std::map<QString, QString> despues;          // the host store afterwards (plain)
};

void PrintTo(const CasoHost& c, std::ostream* os) {
    *os << c.nombre;
}

class AlmacenHost : public Configuracion, public ::testing::WithParamInterface<CasoHost> {};

TEST_P(AlmacenHost, ReparaYCarga) {
    const CasoHost& caso = GetParam();
    const qm::Utilerias u;
    std::map<QString, QString> antes = caso.antes;
    for (auto& [k, v] : antes)
        if ((k == "MySQLUsuario" || k == "MySQLPassword") && !v.trimmed().isEmpty())
            v = u.Encripta(v);
    PonHost(antes);
    lib_.EscribeIni(kSeccion, kRuta, dir_.filePath("trevanto"), entorno_.archivoIni);
    ASSERT_TRUE(Carga());
    EXPECT_TRUE(grabador_.mensajes.empty());
    EXPECT_EQ(bases_.cPuerto.toString(), caso.puerto);
    EXPECT_EQ(bases_.cRuta, caso.servidor);
    EXPECT_EQ(bases_.cUsuario, caso.usuario);
    EXPECT_EQ(bases_.cPassword, caso.password);
    for (const auto& [k, v] : caso.despues) {
        const QString guardado = LeeHost(k);
        if (k == "MySQLUsuario" || k == "MySQLPassword") {
            EXPECT_FALSE(guardado.trimmed().isEmpty()) << k.toStdString();
            EXPECT_EQ(u.DesEncripta(guardado), v) << k.toStdString();
        } else {
            EXPECT_EQ(guardado, v) << k.toStdString();
        }
    }
}

const std::map<QString, QString> kCompleto = {{"MySQLPuerto", "3307"},
                                              {"MySQLServer", "db.local"},
                                              {"MySQLUsuario", "ventas"},
                                              {"MySQLPassword", "s3creto"}};

std::map<QString, QString> Con(const QString& k, const QString& v) {
    auto m = kCompleto;
    m[k] = v;
    return m;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, AlmacenHost,
    ::testing::Values(
        CasoHost{"completo", kCompleto, "3307", "db.local", "ventas", "s3creto", kCompleto},
        CasoHost{"puerto_vacio", Con("MySQLPuerto", ""), "3306", "db.local", "ventas", "s3creto",
                 Con("MySQLPuerto", "3306")},
        CasoHost{"puerto_cero", Con("MySQLPuerto", "0"), "3306", "db.local", "ventas", "s3creto",
                 Con("MySQLPuerto", "3306")},
        CasoHost{"puerto_texto", Con("MySQLPuerto", "abc"), "3306", "db.local", "ventas", "s3creto",
                 Con("MySQLPuerto", "3306")},
        CasoHost{"puerto_con_texto", Con("MySQLPuerto", "3308x"), "3308x", "db.local", "ventas",
                 "s3creto", Con("MySQLPuerto", "3308x")},
        CasoHost{"servidor_de_respaldo",
                 [] {
                     auto m = Con("MySQLServer", "");
                     m["servidor"] = "respaldo";
                     return m;
                 }(),
                 "3307", "respaldo", "ventas", "s3creto", Con("MySQLServer", "respaldo")},
        CasoHost{"servidor_en_blanco",
                 [] {
                     auto m = Con("MySQLServer", "   ");
                     m["servidor"] = "respaldo";
                     return m;
                 }(),
                 "3307", "respaldo", "ventas", "s3creto", Con("MySQLServer", "respaldo")},
        CasoHost{"ambos_servidores_vacios", Con("MySQLServer", ""), "3307", "", "ventas", "s3creto",
                 Con("MySQLServer", "")},
        CasoHost{"usuario_en_blanco", Con("MySQLUsuario", "  "), "3307", "db.local", "root",
                 "s3creto", Con("MySQLUsuario", "root")},
        CasoHost{"password_ausente",
                 [] {
                     auto m = kCompleto;
                     m.erase("MySQLPassword");
                     return m;
                 }(),
                 "3307", "db.local", "ventas", "", Con("MySQLPassword", "")},
        CasoHost{"almacen_vacio", {}, "3306", "", "root", "", {{"MySQLPuerto", "3306"}}}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(Configuracion, ArchivosTraidosDeWindowsSeLeenYSeReparanEnSuCodificacion) {
    // Notepad's cp1252 (ó = F3), the path in quotes, the host's file in capitals.
    prueba::EscribeArchivo(dir_.filePath("trevanto/TREVANTO.INI"),
                           "[Registro]\r\nMySQLServer=caja1\r\nMySQLPuerto=3307\r\n");
    const QByteArray antes = "[Configuraci\xF3n]\r\nRuta de Trevanto Premium=\"" +
                             dir_.filePath("trevanto").toUtf8() + "\"\r\n[Impresi\xF3n]\r\n";
    prueba::EscribeArchivo(entorno_.archivoIni, antes);
    ASSERT_TRUE(Carga());
    EXPECT_TRUE(grabador_.mensajes.empty());
    EXPECT_EQ(bases_.cRuta, "caja1");
    EXPECT_EQ(bases_.cPuerto.toString(), "3307");
    EXPECT_EQ(bases_.cMiBase, "datos1");
    // The missing key joins its section; nothing else of the file changes.
    QByteArray esperado = antes;
    esperado.replace("\"\r\n[", "\"\r\nBase de datos a usar=datos1\r\n[");
    EXPECT_EQ(Contenido(entorno_.archivoIni), esperado);
    EXPECT_FALSE(QFile::exists(dir_.filePath("trevanto/Trevanto.ini")));
}

TEST_F(Configuracion, CredencialEscritaAMano) {
    // Stored in plain text by hand: not in the stored form, so used as it stands.
    PonHost({{"MySQLPuerto", "3306"}, {"MySQLUsuario", "admin"}, {"MySQLPassword", "clave"}});
    lib_.EscribeIni(kSeccion, kRuta, dir_.filePath("trevanto"), entorno_.archivoIni);
    ASSERT_TRUE(Carga());
    EXPECT_EQ(bases_.cUsuario, "admin");
    EXPECT_EQ(bases_.cPassword, "clave");
    EXPECT_EQ(LeeHost("MySQLUsuario"), "admin");
}

TEST_F(Configuracion, InstalacionIncorrectaMuestraElMensajeYNoSigue) {
    const QString carpeta = dir_.filePath("no hay trevanto");
    prueba::EscribeArchivo(entorno_.archivoIni, "[Configuración]\r\nRuta de Trevanto Premium=" +
                                                    carpeta.toUtf8() + "\r\n");
    const QByteArray antes = Contenido(entorno_.archivoIni);
    bases_.cRuta = "intacto";
    EXPECT_FALSE(Carga());
    ASSERT_EQ(grabador_.mensajes.size(), 1u);
    const qm::Mensaje& m = grabador_.mensajes.front();
    EXPECT_EQ(m.titulo, "Atención");
    EXPECT_EQ(m.icono, qm::Icono::Critico);
    EXPECT_EQ(m.texto, "En el archivo de configuración de este programa\r\r(" +
                           entorno_.archivoIni +
                           ")\r\rdebe indicarse la ruta correcta de Trevanto Premium.\r"
                           "Ruta indicada e incorrecta: \r\r" +
                           carpeta +
                           // then which of the two it is
                           "\r\rLa carpeta no existe.");
    EXPECT_EQ(Contenido(entorno_.archivoIni), antes);
    EXPECT_EQ(bases_.cRuta, "intacto");
    EXPECT_FALSE(bases_.cPuerto.isValid());
}

TEST_F(Configuracion, PrimerArranqueSinInstalacionSoloGuardaLaRuta) {
    EXPECT_FALSE(Carga());
    ASSERT_EQ(grabador_.mensajes.size(), 1u);
    EXPECT_TRUE(grabador_.mensajes.front().texto.contains("\r" + entorno_.carpetaEjecutable +
                                                          "\r\rLa carpeta existe, pero no tiene "
                                                          "el archivo "))
        << grabador_.mensajes.front().texto.toStdString();
    EXPECT_EQ(lib_.LeeIni(kSeccion, kRuta, entorno_.archivoIni), entorno_.carpetaEjecutable);
    EXPECT_FALSE(Contenido(entorno_.archivoIni).contains(kBase.toUtf8()));
}

TEST_F(Configuracion, LeeValorIniDevuelveBlancosComoLosLee) {
    prueba::EscribeArchivo(entorno_.archivoIni, "[Configuración]\r\nk=  v  \r\n");
    EXPECT_EQ(inicio::LeeValorIni(lib_, kSeccion, "k", "def", entorno_.archivoIni), "v");
    EXPECT_EQ(inicio::LeeValorIni(lib_, kSeccion, "otra", "def", entorno_.archivoIni), "def");
}

TEST_F(Configuracion, LeeValorIniSinPoderEscribirTermina) {
    // A folder under a regular file cannot be created, not even by root.
    prueba::EscribeArchivo(dir_.filePath("archivo"), "x");
    const QString imposible = dir_.filePath("archivo/Quiltaro.ini");
    try {
        inicio::LeeValorIni(lib_, kSeccion, kBase, "datos1", imposible);
        FAIL() << "no error";
    } catch (const qm::Error& e) {
        EXPECT_TRUE(e.descripcion().contains(imposible)) << e.descripcion().toStdString();
    }
}

TEST_F(Configuracion, LeeValorIniConDefectoVacioTermina) {
    // The write succeeds but the value stays empty: the repetition must still end.
    try {
        inicio::LeeValorIni(lib_, kSeccion, kBase, "", entorno_.archivoIni);
        FAIL() << "no error";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), qm::errores::AccesoArchivo);
        EXPECT_TRUE(e.descripcion().contains(entorno_.archivoIni));
    }
}

TEST_F(Configuracion, ArchivoInmutableDaErrorClaro) {
    prueba::EscribeArchivo(entorno_.archivoIni, "[Configuración]\r\n");
    // Root ignores file permissions; an immutable file refuses even root.
    ASSERT_EQ(QProcess::execute("chattr", {"+i", entorno_.archivoIni}), 0);
    struct Quita {
        QString archivo;
        ~Quita() { QProcess::execute("chattr", {"-i", archivo}); }
    } quita{entorno_.archivoIni};
    try {
        inicio::LeeValorIni(lib_, kSeccion, kBase, "datos1", entorno_.archivoIni);
        FAIL() << "no error";
    } catch (const qm::Error& e) {
        EXPECT_TRUE(e.descripcion().contains(entorno_.archivoIni));
    }
}

} // namespace
