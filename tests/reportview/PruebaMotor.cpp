// The engine end to end: the compiled template, a real DSN and the private server, to a PDF.
#include "ApoyoMotor.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportview/MotorReporte.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

using motor::MotorReporte;
namespace p = motor::propiedad;

class Motor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        plantilla_ = prueba::EscribeMovimientos(dir_.path());
        ASSERT_FALSE(plantilla_.isEmpty());
    }

    // Runs the report to a PDF and gives its text.
    QString Corre(const QString& texto, const QString& tabla = QStringLiteral("tmpravesta")) {
        const QString pdf = dir_.filePath(QStringLiteral("reporte.pdf"));
        MotorReporte m;
        m.Propiedad(p::ArchivoReporte, plantilla_);
        m.Propiedad(p::Conexion, texto);
        m.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QLatin1Char('.') + tabla);
        m.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m.Propiedad(p::Destino, 2);
        m.Propiedad(p::ArchivoPdf, pdf);
        m.Propiedad(p::Accion, 1);
        paginas_ = int(m.ultimoDocumento().NumeroPaginas());
        return prueba::TextoPdf(pdf);
    }

    long FallaCon(const QString& texto, const QString& tabla = QStringLiteral("tmpravesta")) {
        try {
            Corre(texto, tabla);
        } catch (const motor::ErrorMotor& e) {
            return e.numero();
        }
        return 0;
    }

    QTemporaryDir dir_;
    QString plantilla_;
    prueba::DatosReporte datos_;
    int paginas_ = 0;
};

// Positions of the texts in order; -1 for the first one missing.
qsizetype EnOrden(const QString& texto, const QStringList& partes) {
    qsizetype desde = 0;
    for (const QString& parte : partes) {
        const qsizetype i = texto.indexOf(parte, desde);
        if (i < 0) {
            ADD_FAILURE() << "falta «" << parte.toStdString() << "» después de la posición "
                          << desde << " en:\n"
                          << texto.toStdString();
            return -1;
        }
        desde = i + parte.size();
    }
    return desde;
}

QString Linea(const QString& texto, const QString& que) {
    for (const QString& l : texto.split(QLatin1Char('\n'))) {
        if (l.simplified().contains(que))
            return l.simplified();
    }
    return {};
}

TEST_F(Motor, UnClienteConSusMovimientosSaldosYTotales) {
    datos_.Cliente(QStringLiteral("C01"), QStringLiteral("Ferretería López"));
    datos_.Cliente(QStringLiteral("C02"), QStringLiteral("Abarrotes Ñandú"));
    // Stored out of order: the report sorts by customer, date and time.
    datos_.Movimientos({
        {"C02", "2024-02-01", "09:00:00", "Venta", "F-9", 50, 0, 0, 10, 60},
        {"C01", "2024-01-15", "12:30:00", "Pago", "P-1", 0, 0, 500, 1234.5, 734.5},
        {"C01", "2024-01-10", "08:05:00", "Venta", "F-1", 1234.5, 0, 0, 0, 1234.5},
        {"C01", "2024-01-20", "16:00:00", "Devolución", "D-1", 0, 34.5, 0, 734.5, 700},
    });
    const QString t = Corre(datos_.textoConexion());
    EnOrden(t, {"Reporte de movimientos de clientes",
                "C01",
                "Ferretería López",
                "Saldo inicial",
                "0.00",
                "10/01/2024",
                "08:05:00",
                "Venta",
                "F-1",
                "1,234.50",
                "15/01/2024",
                "Pago",
                "500.00",
                "734.50",
                "20/01/2024",
                "Devolución",
                "34.50",
                "700.00",
                "Saldo final",
                "700.00",
                "C02",
                "Abarrotes Ñandú",
                "Saldo inicial",
                "10.00",
                "01/02/2024",
                "F-9",
                "60.00",
                "Saldo final",
                "60.00"});
    EXPECT_TRUE(t.contains(QStringLiteral("Página 1 de 1")));
    EXPECT_TRUE(t.contains(QRegularExpression(QStringLiteral("Impreso el \\d\\d/\\d\\d/\\d{4}"))));
    // Group totals: sales, returns, payments of C01.
    const QString total = Linea(t, QStringLiteral("1,234.50 34.50 500.00"));
    EXPECT_FALSE(total.isEmpty()) << t.toStdString();
    // The grand total adds C02's sale.
    EXPECT_FALSE(Linea(t, QStringLiteral("1,284.50 34.50 500.00")).isEmpty()) << t.toStdString();
    EXPECT_FALSE(t.contains(QStringLiteral("No hay movimientos")));
}

TEST_F(Motor, TablaVaciaDaLaLineaSinMovimientos) {
    const QString t = Corre(datos_.textoConexion());
    EXPECT_TRUE(t.contains(QStringLiteral("No hay movimientos en el periodo solicitado.")))
        << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Página 1 de 1")));
}

TEST_F(Motor, MuchasFilasDanVariasPaginasConEncabezados) {
    datos_.Cliente(QStringLiteral("C01"), QStringLiteral("Cliente grande"));
    std::vector<prueba::Movimiento> filas;
    double saldo = 0;
    for (int i = 0; i < 300; ++i) {
        const QString hora = QStringLiteral("%1:%2:00")
                                 .arg(i / 60 + 8, 2, 10, QLatin1Char('0'))
                                 .arg(i % 60, 2, 10, QLatin1Char('0'));
        filas.push_back({"C01", "2024-03-01", hora, "Venta", QStringLiteral("F-%1").arg(i), 10, 0,
                         0, saldo, saldo + 10});
        saldo += 10;
    }
    datos_.Movimientos(filas);
    const QString t = Corre(datos_.textoConexion());
    ASSERT_GT(paginas_, 1);
    const QStringList paginas = t.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GE(paginas.size(), paginas_);
    for (int i = 0; i < paginas_; ++i) {
        const QString& pagina = paginas[i];
        EXPECT_TRUE(pagina.contains(QStringLiteral("Página %1 de %2").arg(i + 1).arg(paginas_)))
            << pagina.toStdString();
        EXPECT_TRUE(pagina.contains(QStringLiteral("Movimiento")));
        EXPECT_TRUE(pagina.contains(QStringLiteral("Saldo actual")));
    }
    // Every folio once and in order, and the closing balance.
    QStringList folios;
    for (int i = 0; i < 300; ++i)
        folios << QStringLiteral("F-%1 ").arg(i);
    EnOrden(t, folios);
    EXPECT_TRUE(t.contains(QStringLiteral("3,000.00")));
}

TEST_F(Motor, ContrasenaEquivocadaEsErrorDeAcceso) {
    EXPECT_EQ(FallaCon(datos_.textoConexion(QStringLiteral("otra}cosa"))),
              motor::errores::AccesoNegado);
}

TEST_F(Motor, TablaQueNoExisteEsSuError) {
    EXPECT_EQ(FallaCon(datos_.textoConexion(), QStringLiteral("noexiste")),
              motor::errores::FaltaTablaOColumna);
}

TEST_F(Motor, SinUbicacionDeUnaTablaEsSuError) {
    MotorReporte m;
    m.Propiedad(p::ArchivoReporte, plantilla_);
    m.Propiedad(p::Conexion, datos_.textoConexion());
    m.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
    m.Propiedad(p::Destino, 2);
    m.Propiedad(p::ArchivoPdf, dir_.filePath(QStringLiteral("x.pdf")));
    try {
        m.Propiedad(p::Accion, 1);
        FAIL() << "sin error";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::SinUbicacion);
    }
}

TEST_F(Motor, PlantillaQueFaltaYDestinoInvalido) {
    MotorReporte m;
    m.Propiedad(p::ArchivoReporte, dir_.filePath(QStringLiteral("no.rpt")));
    try {
        m.Propiedad(p::Accion, 1);
        FAIL() << "sin error";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::SinPlantilla);
    }
    try {
        m.Propiedad(p::Destino, 7);
        FAIL() << "sin error";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::ValorNoValido);
    }
}

// What the runner may set wrong, and the engine's number for it.
struct CasoFalla {
    const char* nombre;
    std::function<void(MotorReporte&, const QString& carpeta)> ajusta;
    long numero;
};

class MotorFalla : public Motor, public ::testing::WithParamInterface<CasoFalla> {};

TEST_P(MotorFalla, ConSuNumero) {
    MotorReporte m;
    m.Propiedad(p::ArchivoReporte, plantilla_);
    m.Propiedad(p::Conexion, datos_.textoConexion());
    m.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
    m.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
    m.Propiedad(p::Destino, 2);
    m.Propiedad(p::ArchivoPdf, dir_.filePath(QStringLiteral("x.pdf")));
    try {
        GetParam().ajusta(m, dir_.path());
        m.Propiedad(p::Accion, 1);
        FAIL() << "sin error";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), GetParam().numero) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, MotorFalla,
    ::testing::Values(
        CasoFalla{"ubicacionDeTablaQueNoEsta",
                  [](MotorReporte& m, const QString&) {
                      m.PropiedadIndexada(p::Ubicacion, 2, QStringLiteral("x.y"));
                  },
                  motor::errores::UbicacionFueraDeRango},
        CasoFalla{"pdfEnCarpetaQueNoExiste",
                  [](MotorReporte& m, const QString& carpeta) {
                      m.Propiedad(p::ArchivoPdf, carpeta + QStringLiteral("/no/hay/x.pdf"));
                  },
                  motor::errores::ErrorSalida},
        CasoFalla{"sinRutaDelPdf",
                  [](MotorReporte& m, const QString&) { m.Propiedad(p::ArchivoPdf, QString()); },
                  motor::errores::ErrorSalida},
        CasoFalla{"impresoraQueNoExiste",
                  [](MotorReporte& m, const QString&) {
                      m.Propiedad(p::Destino, 1);
                      m.Propiedad(p::Impresora, QStringLiteral("no-existe-esta-impresora"));
                  },
                  motor::errores::ErrorSalida},
        CasoFalla{"columnaQueFalta",
                  [](MotorReporte& m, const QString&) {
                      // clientes has no movement columns
                      m.PropiedadIndexada(p::Ubicacion, 0, QStringLiteral("mysql.db"));
                  },
                  motor::errores::FaltaTablaOColumna},
        CasoFalla{"plantillaDanada",
                  [](MotorReporte& m, const QString& carpeta) {
                      const QString ruta = carpeta + QStringLiteral("/mala.rpt");
                      QFile f(ruta);
                      f.open(QIODevice::WriteOnly);
                      f.write("QUILTRPT basura");
                      f.close();
                      m.Propiedad(p::ArchivoReporte, ruta);
                  },
                  motor::errores::PlantillaDanada}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
