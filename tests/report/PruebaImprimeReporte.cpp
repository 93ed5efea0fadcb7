#include "ApoyoReporte.h"
#include "ControlGrabador.h"
#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "report/ModuloReportes.h"
#include "tests/support/EntornoPrueba.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using prueba::PropiedadDada;
using prueba::Registro;
using prueba::Relleno;
using Propiedades = std::vector<PropiedadDada>;

const QString Conexion = QStringLiteral("SERVER=127.0.0.1;DB=datos1;UID=quil;PWD=secreto;");

PropiedadDada Texto(int id, const QString& valor, int indice = -1) {
    return {id, indice, QVariant(valor)};
}
PropiedadDada Numero(int id, int valor) {
    return {id, -1, QVariant(valor)};
}

class ReporteImprime : public ::testing::Test {
protected:
    void SetUp() override {
        prueba::BorraOdbcIni();
        BasesDD.cRuta = "127.0.0.1";
        BasesDD.cPuerto = 3306;
        BasesDD.cUsuario = "quil";
        BasesDD.cPassword = "secreto";
        BasesDD.cMiBase = "datos1";
        plantilla = dir.path() + "/quiltaro.rpt";
        Plantilla(Registro("pdsodbc.dll", "Trevanto Reportes", "trevantoreportes.ravesta") +
                  Relleno(70) + Registro("pdsodbc.dll", "Trevanto Reportes", "clientes"));
        modulo.LimpiaReporte();
        modulo.parametros().ArchivoReporte = plantilla;
    }

    void Plantilla(const QByteArray& registros) {
        prueba::EscribeArchivo(plantilla, "QUILTARO-PLANTILLA 1\n" + registros + "\nfin\n");
    }

    // Everything after the table locations, with the record as LimpiaReporte leaves it.
    Propiedades Final(const QString& archivo) const {
        return {Numero(15, 0), Numero(24, 0),    Texto(3, archivo),   Numero(25, 0),
                Texto(12, ""), Texto(30, "", 0), Texto(13, ""),       Texto(47, ""),
                Texto(48, ""), Texto(49, ""),    Texto(20, Conexion), Numero(17, 1)};
    }
    Propiedades Todo(const Propiedades& ubicaciones) const {
        Propiedades p{Texto(3, "")};
        p.insert(p.end(), ubicaciones.begin(), ubicaciones.end());
        const Propiedades final = Final(plantilla);
        p.insert(p.end(), final.begin(), final.end());
        return p;
    }

    QTemporaryDir dir;
    QString plantilla;
    qm::BasesDD BasesDD;
    qm::DelRegistro DelRegistro;
    prueba::ControlGrabador control;
    prueba::MensajesGrabados mensajes;
    modRPTs::ModuloReportes modulo{BasesDD, DelRegistro, control, mensajes};
};

TEST_F(ReporteImprime, CadaPropiedadEnOrdenConSuValor) {
    modRPTs::ParametrosReporte& p = modulo.parametros();
    p.Propiedad15 = 150;
    p.Propiedad24 = 2;
    p.Propiedad25 = -25;
    p.Propiedad12 = "doce";
    p.Lista30 = {"treinta", "no se usa"};
    p.Propiedad13 = "trece";
    p.Propiedad47 = "47";
    p.Propiedad48 = "cuarenta y ocho";
    p.Propiedad49 = "49";
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    const Propiedades esperadas{Texto(3, ""),
                                Texto(32, "datos1.tmpravesta", 0),
                                Texto(32, "datos1.clientes", 1),
                                Numero(15, 150),
                                Numero(24, 2),
                                Texto(3, plantilla),
                                Numero(25, -25),
                                Texto(12, "doce"),
                                Texto(30, "treinta", 0),
                                Texto(13, "trece"),
                                Texto(47, "47"),
                                Texto(48, "cuarenta y ocho"),
                                Texto(49, "49"),
                                Texto(20, Conexion),
                                Numero(17, 1)};
    EXPECT_EQ(control.propiedades, esperadas);
    EXPECT_TRUE(mensajes.mensajes.isEmpty()) << mensajes.textos().join("\n").toStdString();
    // The data sources were written first.
    EXPECT_EQ(prueba::LeeOrigen("myodbc3-test")->value("Database"), "datos1");
    EXPECT_EQ(prueba::LeeOrigen("Trevanto Reportes")->value("Server"), "127.0.0.1");
}

TEST_F(ReporteImprime, LimpiaReporteDejaCeroYVacio) {
    modRPTs::ParametrosReporte& p = modulo.parametros();
    p.Propiedad15 = 1;
    p.Propiedad24 = 1;
    p.Propiedad25 = 1;
    p.Propiedad12 = p.Propiedad13 = p.Propiedad47 = p.Propiedad48 = p.Propiedad49 = "x";
    p.Lista30 = {"a", "b"};
    modulo.LimpiaReporte();
    EXPECT_EQ(p.ArchivoReporte, "");
    EXPECT_EQ(p.Lista30, QStringList{""});
    modulo.parametros().ArchivoReporte = plantilla;
    modulo.ImprimeReporte("", "");
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.ravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

TEST_F(ReporteImprime, TablaDaoRecibeFilePath) {
    Plantilla(Registro("pdbdao.dll", "C:\\datos.mdb", "ravesta") + Relleno(70) +
              Registro("pdsodbc.dll", "Trevanto Reportes", "clientes"));
    modulo.ImprimeReporte("/datos/archivo.mdb", "ravesta*tmpravesta");
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "/datos/archivo.mdb", 0), Texto(32, "datos1.clientes", 1)}));
}

TEST_F(ReporteImprime, UbicacionesDeNombresRaros) {
    Plantilla(Registro("pdsodbc.dll", "T", "a.b.c") + Relleno(70) +
              Registro("pdsodbc.dll", "T", "") + Relleno(70));
    modulo.ImprimeReporte("", "");
    EXPECT_EQ(control.propiedades, Todo({Texto(32, "datos1.b.c", 0), Texto(32, "datos1.", 1)}));
}

TEST_F(ReporteImprime, ExtensionAgregadaLlegaALaPropiedad3) {
    modulo.parametros().ArchivoReporte = dir.path() + "/quiltaro";
    modulo.ImprimeReporte("", "");
    EXPECT_EQ(modulo.parametros().ArchivoReporte, plantilla);
    EXPECT_EQ(control.propiedades.at(5), Texto(3, plantilla));
}

TEST_F(ReporteImprime, PlantillaSinTablasIgualSeCorre) {
    Plantilla("sin registros");
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    EXPECT_EQ(control.propiedades, Todo({}));
    EXPECT_TRUE(mensajes.mensajes.isEmpty());
}

TEST_F(ReporteImprime, FallaOdbcSeMuestraYSigueElEscaneo) {
    BasesDD.cUsuario = "qu\nil";
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    ASSERT_EQ(mensajes.mensajes.size(), 1);
    const qm::Mensaje& m = mensajes.mensajes.front();
    EXPECT_EQ(m.titulo, "Error");
    EXPECT_EQ(m.icono, qm::Icono::Critico);
    EXPECT_TRUE(m.texto.startsWith("Error no. 5: ")) << m.texto.toStdString();
    EXPECT_FALSE(prueba::LeeOrigen("myodbc3-test")->contains("User"));
    Propiedades esperadas =
        Todo({Texto(32, "datos1.tmpravesta", 0), Texto(32, "datos1.clientes", 1)});
    esperadas.at(esperadas.size() - 2) =
        Texto(20, "SERVER=127.0.0.1;DB=datos1;UID=qu\nil;PWD=secreto;");
    EXPECT_EQ(control.propiedades, esperadas);
}

TEST_F(ReporteImprime, EscrituraOdbcImposibleSeMuestraYSigue) {
    const QString archivo = dir.path() + "/no-es-carpeta";
    prueba::EscribeArchivo(archivo, "x");
    const prueba::SistemaOdbcIntacto sistema;
    const prueba::OdbcIniTemporal desviado(archivo + "/odbc.ini");
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    ASSERT_EQ(mensajes.mensajes.size(), 1);
    EXPECT_TRUE(mensajes.mensajes.front().texto.startsWith("Error no. "));
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.tmpravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

TEST_F(ReporteImprime, PlantillaAusenteUnMensajeYLuegoLosDelMotor) {
    control.compruebaArchivo = true;
    modulo.parametros().ArchivoReporte = dir.path() + "/falta";
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    const QString ruta = dir.path() + "/falta.rpt";
    EXPECT_EQ(mensajes.textos(), (QStringList{"Error no. 53: No se encontró el archivo: " + ruta,
                                              "Error no. 20504: Cannot open report " + ruta,
                                              "Error no. 20545: No report is open"}));
    Propiedades esperadas{Texto(3, "")};
    for (const PropiedadDada& p : Final(ruta))
        esperadas.push_back(p);
    EXPECT_EQ(control.propiedades, esperadas);
}

TEST_F(ReporteImprime, RegistroMalformadoAbandonaElEscaneo) {
    Plantilla(Registro("pdsodbc.dll", "T", "clientes") + Relleno(70) +
              QByteArray("pdsodbc.dll\0T\0sin_fin", 21));
    modulo.ImprimeReporte("", "");
    ASSERT_EQ(mensajes.mensajes.size(), 1);
    EXPECT_TRUE(mensajes.mensajes.front().texto.startsWith("Error no. 5: "));
    EXPECT_EQ(control.propiedades, Todo({}));
}

TEST_F(ReporteImprime, UbicacionRechazadaSigueConLaSiguiente) {
    control.FallaEn(32, 0, 20599);
    modulo.ImprimeReporte("", "ravesta*tmpravesta");
    EXPECT_EQ(mensajes.textos(), QStringList{"Error no. 20599: rechazada 32/0"});
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.tmpravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

TEST_F(ReporteImprime, UbicacionDaoRechazadaNoSeRenombra) {
    Plantilla(Registro("pdbdao.dll", "C:\\datos.mdb", "ravesta") + Relleno(70));
    control.FallaEn(32, 0);
    modulo.ImprimeReporte("/x.mdb", "ravesta*tmpravesta");
    EXPECT_EQ(mensajes.mensajes.size(), 1);
    EXPECT_EQ(control.propiedades, Todo({Texto(32, "/x.mdb", 0)}));
}

TEST_F(ReporteImprime, ElementoSinEstrellaDejaElNombreGuardado) {
    modulo.ImprimeReporte("", "otra*tmpotra;");
    EXPECT_EQ(mensajes.mensajes.size(), 2);
    for (const QString& t : mensajes.textos())
        EXPECT_TRUE(t.startsWith("Error no. 5: ")) << t.toStdString();
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.ravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

// Whatever property the engine refuses, that one message is shown and every other property
// is still given, in the same order.
class ReportePropiedadRechazada : public ReporteImprime,
                                  public ::testing::WithParamInterface<int> {};

TEST_P(ReportePropiedadRechazada, UnMensajeYSigue) {
    const int id = GetParam();
    control.FallaEn(id, id == 30 ? 0 : -1, 20000 + id);
    modulo.ImprimeReporte("", "");
    EXPECT_EQ(mensajes.textos(), QStringList{QStringLiteral("Error no. %1: rechazada %2/%3")
                                                 .arg(20000 + id)
                                                 .arg(id)
                                                 .arg(id == 30 ? 0 : -1)});
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.ravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

INSTANTIATE_TEST_SUITE_P(Ids, ReportePropiedadRechazada,
                         ::testing::Values(15, 24, 25, 12, 30, 13, 47, 48, 49, 20, 17));

TEST_F(ReporteImprime, ElPrimerArchivoVacioRechazado) {
    control.FallaEn(3);
    modulo.ImprimeReporte("", "");
    // Property 3 is refused twice, cleared and set; everything else still follows.
    EXPECT_EQ(mensajes.mensajes.size(), 2);
    EXPECT_EQ(control.propiedades,
              Todo({Texto(32, "datos1.ravesta", 0), Texto(32, "datos1.clientes", 1)}));
}

TEST_F(ReporteImprime, NadaLlegaAlQueLlama) {
    control.FallaRaroEn(20);
    modulo.parametros().Lista30.clear();
    EXPECT_NO_THROW(modulo.ImprimeReporte("", ""));
    EXPECT_EQ(mensajes.textos(), (QStringList{"Error no. 9: Subíndice fuera del intervalo",
                                              "Error no. 51: Error interno: rara"}));
    EXPECT_EQ(control.propiedades.back(), Numero(17, 1));
}

} // namespace
