// The shop's letterhead on every page of every statement, read back with pdftotext, and its
// logo held once in each file (pdfimages).
#include "ApoyoMotor.h"
#include "reportengine/Cuentas.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Membrete.h"
#include "tests/support/EntornoPrueba.h"
#include "tests/support/FilasMotor.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Caso {
    const char* nombre;
    bool membrete;
    const char* formato; // the logo's: "PNG", "JPEG"; nullptr for none
    bool transparente = false;
};

void PrintTo(const Caso& caso, std::ostream* os) {
    *os << caso.nombre;
}

const Caso kCasos[] = {
    {"sin_membrete", false, nullptr},
    {"solo_textos", true, nullptr},
    {"logo_png", true, "PNG", true},
    {"logo_jpeg", true, "JPEG"},
};

const QStringList kLineas{"Ferretería Ñandú S.A. de C.V.", "Av. Juárez 123, Col. Centro",
                          "Morelia, Mich. C.P. 58000", "RFC: FNA010101AB1", "Tel. 443 312 0000"};

// A wide logo with a picture in it, of the format asked for, in its own folder.
QString EscribeLogo(const QString& carpeta, const Caso& caso) {
    QImage imagen(900, 300, caso.transparente ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    imagen.fill(caso.transparente ? Qt::transparent : Qt::white);
    QPainter p(&imagen);
    p.setBrush(QColor(31, 58, 95));
    p.drawEllipse(20, 20, 260, 260);
    p.end();
    const QString ruta = carpeta + "/original." + QString(caso.formato).toLower();
    EXPECT_TRUE(imagen.save(ruta, caso.formato));
    return ruta;
}

motor::ReporteHecho Reporte() {
    const motor::Plantilla plantilla = prueba::PlantillaMovimientos();
    // Three customers of 150 movements: several pages each.
    prueba::FilasMotor filas = prueba::FilasDeBanco(450, plantilla.diseno, 3);
    auto datos = std::make_shared<const motor::DatosReporte>(
        motor::OrdenaYAgrupa(std::move(filas.tabla), plantilla.diseno, filas.clases));
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, plantilla.diseno, QDate(2024, 12, 31)));
    return {datos, cuentas, plantilla.diseno, {QDate(2024, 1, 1), QDate(2024, 12, 31), {}}};
}

// The image objects a PDF holds: pdfimages lists one row per page that draws one, naming the
// object; a transparent logo's mask is an "smask" of its own.
struct Imagenes {
    int dibujadas = 0;
    int objetos = 0;
};
Imagenes ImagenesDe(const QString& pdf) {
    QSet<QString> objetos;
    int dibujadas = 0;
    const QStringList filas = prueba::Ejecuta("pdfimages", {"-list", pdf}).split('\n');
    for (const QString& fila : filas.mid(2)) {
        const QStringList c = fila.simplified().split(' ');
        if (c.size() > 11 && c[2] == "image") {
            ++dibujadas;
            objetos.insert(c[10] + ' ' + c[11]);
        }
    }
    return {dibujadas, int(objetos.size())};
}

class Membrete : public testing::TestWithParam<Caso> {};

TEST_P(Membrete, EnCadaPaginaDeCadaEstadoYElLogoUnaVez) {
    const Caso& caso = GetParam();
    QTemporaryDir dir;
    const QString ajustes = dir.filePath("ajustes");
    if (caso.membrete) {
        motor::Membrete m;
        m.nombre = kLineas[0];
        m.direccion = {kLineas[1], "", kLineas[2]};
        m.identificacionFiscal = "FNA010101AB1";
        m.telefono = "443 312 0000";
        ASSERT_TRUE(QDir().mkpath(dir.filePath("original")));
        if (caso.formato)
            m.logo = EscribeLogo(dir.filePath("original"), caso);
        motor::GuardaMembrete(m, ajustes);
        // The copy kept with the settings survives the original going away.
        ASSERT_TRUE(QDir(dir.filePath("original")).removeRecursively());
    }
    motor::ReporteHecho reporte = Reporte();
    reporte.membrete = motor::CargaMembrete(ajustes);
    ASSERT_EQ(reporte.membrete != nullptr, caso.membrete);
    const QString carpeta = dir.filePath("estados");
    ASSERT_TRUE(QDir().mkpath(carpeta));
    ASSERT_EQ(motor::EscribeEstados(reporte, carpeta, QDateTime(QDate(2025, 1, 2), QTime(9, 0))),
              3u);
    for (const QString& nombre : motor::NombresEstados(*reporte.datos)) {
        const QString pdf = QDir(carpeta).filePath(nombre);
        QStringList paginas = prueba::TextoPdf(pdf).split('\f');
        paginas.removeLast(); // after the last page's form feed
        ASSERT_GT(paginas.size(), 1) << nombre.toStdString();
        for (qsizetype i = 0; i < paginas.size(); ++i) {
            ASSERT_TRUE(paginas[i].contains("Estado de cuenta"));
            for (const QString& linea : kLineas)
                EXPECT_EQ(paginas[i].contains(linea), caso.membrete)
                    << nombre.toStdString() << " página " << i + 1 << ": " << linea.toStdString();
        }
        const Imagenes imagenes = ImagenesDe(pdf);
        EXPECT_EQ(imagenes.dibujadas, caso.formato ? paginas.size() : 0) << nombre.toStdString();
        EXPECT_EQ(imagenes.objetos, caso.formato ? 1 : 0) << nombre.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Estados, Membrete, testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
