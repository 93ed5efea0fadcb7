// Statements as a customer reads them: each PDF through pdftotext and the index through
// Python's csv reader, compared with the balances and ageing worked out here from the rows.
#include "ApoyoMotor.h"
#include "reportengine/Formatos.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

namespace p = motor::propiedad;

const QDate Desde(2026, 7, 1);
const QDate Hasta(2026, 11, 30);

struct Cliente {
    QString clave;  // as the group heading shows it
    QString nombre; // as the customers table has it
    QString archivo;
    double inicial = 0;
    std::vector<prueba::Movimiento> filas; // in printed order
};

prueba::Movimiento Fila(const char* codigo, const char* fecha, const char* hora, const char* folio,
                        double ventas, double devoluciones, double pagos) {
    return {codigo, fecha, hora, folio[0] == 'P' ? "Pago" : "Factura", folio, ventas, devoluciones,
            pagos,  0,     0};
}

// In the database's order of the codes: "C/7" < "C001" ... < "C:7".
std::vector<Cliente> Clientes() {
    std::vector<Cliente> c{
        {"C/7",
         "Ópticas Ñ",
         "C_7 - Ópticas Ñ.pdf",
         0,
         {Fila("C/7", "2026-07-01", "10:00:00", "F-71", 12.5, 0, 0)}},
        // Three spellings of one code; two rows tie on date and time.
        {"C001",
         "Ferretería Fina de Doña Inés",
         "C001 - Ferretería Fina de Doña Inés.pdf",
         50,
         {Fila("C001", "2026-07-10", "09:00:00", "F-11", 120.004, 0, 0),
          Fila("c001", "2026-08-15", "10:00:00", "F-12", 80.333, 0, 0),
          Fila("C001 ", "2026-09-20", "11:00:00", "P-11", 0, 0, 100),
          Fila("c001", "2026-10-05", "12:00:00", "F-13", 45.555, 0, 0),
          Fila("C001", "2026-10-05", "12:00:00", "D-11", 0, 5.5, 0),
          Fila("C001", "2026-11-10", "08:00:00", "F-14", 10.0025, 0, 0)}},
        // Pays more than it bought.
        {"C002",
         "Abarrotes: La Esquina",
         "C002 - Abarrotes_ La Esquina.pdf",
         0,
         {Fila("C002", "2026-11-01", "09:00:00", "F-21", 30, 0, 0),
          Fila("C002", "2026-11-02", "09:00:00", "P-21", 0, 0, 50)}},
        // Settles to nothing.
        {"C003",
         "Papelería 2/3",
         "C003 - Papelería 2_3.pdf",
         10,
         {Fila("C003", "2026-08-01", "09:00:00", "P-31", 0, 0, 10)}},
        // Owes more than the period's sales.
        {"C004",
         "Mueblería Ñandú",
         "C004 - Mueblería Ñandú.pdf",
         500,
         {Fila("C004", "2026-09-15", "09:00:00", "F-41", 100, 0, 0),
          Fila("C004", "2026-10-01", "09:00:00", "P-41", 0, 0, 50),
          Fila("C004", "2026-11-30", "18:00:00", "F-42", 25, 0, 0)}},
        // Its file name differs from C/7's only in case; sales 60 and 30 days old.
        {"C:7",
         "ÓPTICAS ñ",
         "C_7 - ÓPTICAS ñ (2).pdf",
         0,
         {Fila("C:7", "2026-10-01", "10:00:00", "F-81", 3, 0, 0),
          Fila("C:7", "2026-10-31", "10:00:00", "F-82", 7.25, 0, 0)}},
    };
    for (Cliente& k : c) {
        double saldo = k.inicial;
        for (prueba::Movimiento& m : k.filas) {
            m.anterior = saldo;
            saldo = saldo + m.ventas - m.devoluciones - m.pagos;
            m.actual = saldo;
        }
    }
    return c;
}

struct Esperado {
    double ventas = 0, devoluciones = 0, pagos = 0, final = 0;
    std::array<double, 5> tramos{}; // 0-30, 31-60, 61-90, >90, before the period
};

// The balance is the newest sales: from the last row back, each sale whole until it is covered.
Esperado Calcula(const Cliente& c) {
    Esperado e;
    for (const prueba::Movimiento& m : c.filas) {
        e.ventas += m.ventas;
        e.devoluciones += m.devoluciones;
        e.pagos += m.pagos;
    }
    e.final = c.filas.back().actual;
    double falta = e.final;
    for (auto m = c.filas.rbegin(); m != c.filas.rend() && falta > 0; ++m) {
        if (m->ventas <= 0)
            continue;
        const qint64 dias =
            std::max<qint64>(0, QDate::fromString(m->fecha, Qt::ISODate).daysTo(Hasta));
        const int tramo = dias <= 30 ? 0 : dias <= 60 ? 1 : dias <= 90 ? 2 : 3;
        const double tomado = std::min(m->ventas, falta);
        e.tramos[std::size_t(tramo)] += tomado;
        falta -= tomado;
    }
    if (falta > 0)
        e.tramos[4] = falta;
    return e;
}

long long Centavos(double v) {
    return QString::number(v, 'f', 2).remove(QLatin1Char('.')).toLongLong();
}

// The printed buckets: whole cents adding up to the printed balance, each within a cent of its
// own amount.
void RevisaTramos(const std::array<long long, 5>& impresos, const Esperado& e, const QString& de) {
    long long suma = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        suma += impresos[i];
        EXPECT_LT(std::fabs(double(impresos[i]) - e.tramos[i] * 100), 1.0)
            << de.toStdString() << " tramo " << i;
    }
    EXPECT_EQ(suma, Centavos(e.final)) << de.toStdString();
}

class Estados : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        clientes_ = Clientes();
        std::vector<prueba::Movimiento> filas;
        for (const Cliente& c : clientes_) {
            datos_.Cliente(c.clave, c.nombre);
            filas.insert(filas.end(), c.filas.begin(), c.filas.end());
        }
        datos_.Movimientos(filas);
        m_.Propiedad(p::ArchivoReporte, prueba::EscribeMovimientos(dir_.path()));
        m_.Propiedad(p::Conexion, datos_.textoConexion());
        m_.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
        m_.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m_.PonSolicitud({Desde, Hasta, QString()});
        m_.Propiedad(p::Destino, 0);
        m_.Propiedad(p::Accion, 1);
        ASSERT_NE(m_.ultimaVista(), nullptr);
        carpeta_ = dir_.filePath(QStringLiteral("estados"));
        ASSERT_TRUE(QDir().mkpath(carpeta_));
    }

    QTemporaryDir dir_;
    prueba::DatosReporte datos_;
    std::vector<Cliente> clientes_;
    motor::MotorReporte m_;
    QString carpeta_;
};

TEST_F(Estados, UnPdfPorClienteConSusFilasSaldosYAntiguedad) {
    EXPECT_EQ(m_.ultimaVista()->EscribeEstados(carpeta_), clientes_.size());
    QStringList archivos;
    for (const Cliente& c : clientes_)
        archivos << c.archivo;
    archivos << QStringLiteral("Estados de cuenta.csv");
    EXPECT_EQ(QDir(carpeta_).entryList(QDir::Files, QDir::Name), [&] {
        QStringList a = archivos;
        a.sort();
        return a;
    }());

    const QRegularExpression espacios(QStringLiteral("\\s{2,}"));
    for (const Cliente& c : clientes_) {
        const Esperado e = Calcula(c);
        const QString texto = prueba::TextoPdf(QDir(carpeta_).filePath(c.archivo));
        const QString de = c.clave;
        EXPECT_TRUE(texto.contains(QStringLiteral("Estado de cuenta"))) << de.toStdString();
        EXPECT_TRUE(texto.contains(QStringLiteral("Del 01/07/2026 al 30/11/2026")));
        EXPECT_TRUE(texto.contains(QStringLiteral("Página 1 de 1")));
        EXPECT_TRUE(texto.contains(c.nombre));
        EXPECT_TRUE(
            texto.contains(QStringLiteral("Saldo inicial: ") + motor::FormateaImporte(c.inicial)))
            << texto.toStdString();
        const QStringList lineas = texto.split(QLatin1Char('\n'));
        // Each movement once, with its amounts and running balance; no one else's.
        int filas = 0;
        for (const QString& l : lineas) {
            if (l.contains(QRegularExpression(QStringLiteral("\\b[FPD]-\\d\\d\\b"))))
                ++filas;
        }
        EXPECT_EQ(filas, int(c.filas.size())) << texto.toStdString();
        for (const prueba::Movimiento& m : c.filas) {
            const auto l = std::find_if(lineas.begin(), lineas.end(), [&](const QString& t) {
                return t.contains(QLatin1Char(' ') + m.folio + QLatin1Char(' '));
            });
            ASSERT_NE(l, lineas.end()) << m.folio.toStdString();
            QStringList importes;
            for (const double v : {m.ventas, m.devoluciones, m.pagos})
                if (v != 0)
                    importes << motor::FormateaImporte(v);
            importes << motor::FormateaImporte(m.anterior) << motor::FormateaImporte(m.actual);
            EXPECT_EQ(l->trimmed().split(espacios).mid(4), importes) << l->toStdString();
        }
        const auto final = std::find_if(lineas.begin(), lineas.end(), [](const QString& t) {
            return t.contains(QStringLiteral("Saldo final:"));
        });
        ASSERT_NE(final, lineas.end());
        EXPECT_TRUE(final->trimmed().endsWith(motor::FormateaImporte(e.final)))
            << final->toStdString();
        EXPECT_TRUE(final->contains(motor::FormateaImporte(e.ventas)));

        const auto caja = std::find_if(final, lineas.end(), [](const QString& t) {
            return t.contains(QStringLiteral("Antigüedad del saldo"));
        });
        ASSERT_NE(caja, lineas.end()) << de.toStdString();
        const QString resto = QStringList(caja, lineas.end()).join(QLatin1Char('\n'));
        if (Centavos(e.final) <= 0) {
            EXPECT_TRUE(resto.contains(Centavos(e.final) < 0 ? QStringLiteral("Saldo a favor")
                                                             : QStringLiteral("Sin saldo")));
            EXPECT_FALSE(resto.contains(QStringLiteral("0 a 30 días")));
            continue;
        }
        const auto titulos = std::find_if(caja, lineas.end(), [](const QString& t) {
            return t.contains(QStringLiteral("0 a 30 días"));
        });
        ASSERT_NE(titulos, lineas.end());
        EXPECT_EQ(titulos->trimmed().split(espacios),
                  (QStringList{"0 a 30 días", "31 a 60 días", "61 a 90 días", "Más de 90 días",
                               "Anterior al periodo"}));
        auto valores = titulos + 1;
        while (valores != lineas.end() && valores->trimmed().isEmpty())
            ++valores;
        ASSERT_NE(valores, lineas.end());
        const QStringList montos = valores->trimmed().split(espacios);
        ASSERT_EQ(montos.size(), 5) << valores->toStdString();
        std::array<long long, 5> impresos{};
        for (std::size_t i = 0; i < 5; ++i)
            impresos[i] = QString(montos[qsizetype(i)])
                              .remove(QLatin1Char(','))
                              .remove(QLatin1Char('.'))
                              .toLongLong();
        RevisaTramos(impresos, e, de);
    }

    // The index: one row per statement, the same numbers.
    const QString salida =
        prueba::Ejecuta(QStringLiteral(QUILTARO_PYTHON3),
                        {QStringLiteral(QUILTARO_LEE_EXPORTACION), QStringLiteral("csv"),
                         QDir(carpeta_).filePath(QStringLiteral("Estados de cuenta.csv"))});
    const QJsonArray filas =
        QJsonDocument::fromJson(salida.toUtf8()).object()[QStringLiteral("filas")].toArray();
    ASSERT_EQ(filas.size(), qsizetype(clientes_.size() + 1));
    QStringList titulos;
    for (const QJsonValue v : filas[0].toArray())
        titulos << v.toString();
    EXPECT_EQ(titulos,
              (QStringList{"Cliente", "Nombre", "Archivo", "Saldo inicial", "Ventas",
                           "Devoluciones", "Pagos", "Saldo final", "0 a 30 días", "31 a 60 días",
                           "61 a 90 días", "Más de 90 días", "Anterior al periodo"}));
    for (std::size_t i = 0; i < clientes_.size(); ++i) {
        const Cliente& c = clientes_[i];
        const Esperado e = Calcula(c);
        const QJsonArray f = filas[qsizetype(i + 1)].toArray();
        ASSERT_EQ(f.size(), 13);
        EXPECT_EQ(f[0].toString(), c.clave);
        EXPECT_EQ(f[1].toString(), c.nombre);
        EXPECT_EQ(f[2].toString(), c.archivo);
        const std::array<double, 5> numeros{c.inicial, e.ventas, e.devoluciones, e.pagos, e.final};
        for (std::size_t k = 0; k < 5; ++k)
            EXPECT_EQ(f[qsizetype(3 + k)].toString().toDouble(), numeros[k]) << i << " " << k;
        std::array<long long, 5> impresos{};
        for (std::size_t k = 0; k < 5; ++k)
            impresos[k] = std::llround(f[qsizetype(8 + k)].toString().toDouble() * 100);
        if (Centavos(e.final) > 0)
            RevisaTramos(impresos, e, c.clave);
        else
            EXPECT_EQ(impresos, (std::array<long long, 5>{})) << i;
    }
}

} // namespace
