// The workbook and CSV writers on generated sheets: progress heard up to the last row; a cancel,
// a cell the workbook cannot hold or a full temporary folder leaves the older file byte for byte
// and no scratch file.
#include "reportengine/ErroresMotor.h"
#include "reportengine/Exportacion.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <sys/mount.h>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t Filas = 5000;
// Enough rows for a CSV that is synced while it is written (21 MB, a sync every 8 MB).
constexpr std::size_t Muchas = 700000;
constexpr std::size_t Ninguna = std::numeric_limits<std::size_t>::max();

// Key, date and amount of each row, made when asked; row "larga" has a key longer than a
// workbook cell holds (32,767 characters).
motor::Hoja Generada(std::size_t larga, std::size_t filas) {
    motor::Hoja h;
    h.nombre = QStringLiteral("Movimientos");
    h.columnas = {{QStringLiteral("Clave"), motor::TipoCelda::Texto},
                  {QStringLiteral("Fecha"), motor::TipoCelda::Fecha},
                  {QStringLiteral("Importe"), motor::TipoCelda::Numero}};
    h.filas = filas;
    h.celda = [larga](std::size_t f, std::size_t c) -> motor::Celda {
        if (c == 0)
            return {f == larga ? QString(40000, u'x') : QStringLiteral("F%1").arg(f), 0};
        if (c == 1)
            return {QStringLiteral("2026-11-%1").arg(f % 28 + 1, 2, 10, QLatin1Char('0')), 0};
        return {{}, double(f) / 4};
    };
    return h;
}

// A temporary folder of its own, a tmpfs this small, for the life of the object (mounting needs
// root, as the tests run in CI; elsewhere the case fails).
class TemporalChico {
public:
    explicit TemporalChico(const char* tamano) : anterior_(qgetenv("TMPDIR")) {
        if (!tamano)
            return;
        const QByteArray ruta = QFile::encodeName(dir_.path());
        montado_ = ::mount("tmpfs", ruta.constData(), "tmpfs", 0,
                           (QByteArray("size=") + tamano).constData()) == 0;
        EXPECT_TRUE(montado_) << "mount tmpfs: " << std::strerror(errno);
        qputenv("TMPDIR", ruta);
    }
    ~TemporalChico() {
        if (!montado_)
            return;
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
        if (anterior_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", anterior_);
    }
    TemporalChico(const TemporalChico&) = delete;
    TemporalChico& operator=(const TemporalChico&) = delete;

private:
    QTemporaryDir dir_;
    QByteArray anterior_;
    bool montado_ = false;
};

struct Caso {
    const char* nombre;
    const char* extension;
    std::size_t paraEnLlamada; // the progress call that answers "stop"; 0: none
    std::size_t larga;
    const char* temporal; // the temporary folder's size; nullptr: the usual one
    long error;           // 0: written
    const char* motivo;
    std::size_t filas = Filas;
};

TEST(Escritores, AvanceCancelarYCeldaRechazada) {
    const std::vector<Caso> casos{
        {"libro entero", "xlsx", 0, Ninguna, nullptr, 0, ""},
        {"csv entero", "csv", 0, Ninguna, nullptr, 0, ""},
        {"libro cancelado al empezar", "xlsx", 1, Ninguna, nullptr, motor::errores::Cancelado,
         "canceló"},
        {"libro cancelado al final", "xlsx", 3, Ninguna, nullptr, motor::errores::Cancelado,
         "canceló"},
        {"csv cancelado al empezar", "csv", 1, Ninguna, nullptr, motor::errores::Cancelado,
         "canceló"},
        {"csv cancelado al final", "csv", 3, Ninguna, nullptr, motor::errores::Cancelado,
         "canceló"},
        {"csv largo entero", "csv", 0, Ninguna, nullptr, 0, "", Muchas},
        // 342: the last progress call, one every 2,048 rows.
        {"csv largo cancelado al final", "csv", 342, Ninguna, nullptr, motor::errores::Cancelado,
         "canceló", Muchas},
        {"libro con un texto más largo que una celda", "xlsx", 0, 4000, nullptr,
         motor::errores::ErrorSalida, "la fila 4002 de la hoja «Movimientos»"},
        // The rows do not fit in the temporary folder; then they fit, but not their copy.
        {"libro sin lugar para las filas", "xlsx", 0, Ninguna, "64k", motor::errores::ErrorSalida,
         "carpeta temporal"},
        {"libro sin lugar para cerrarlo", "xlsx", 0, Ninguna, "1200k", motor::errores::ErrorSalida,
         "no queda espacio en la carpeta temporal"}};
    const QByteArray anterior = QByteArray("el archivo de ayer\r\n").repeated(100);
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        QTemporaryDir dir;
        const QString nombre = QStringLiteral("reporte.") + QLatin1String(caso.extension);
        const QString ruta = dir.filePath(nombre);
        prueba::EscribeArchivo(ruta, anterior);
        std::vector<std::pair<std::size_t, std::size_t>> llamadas;
        const motor::AvanceSalida avance = [&](std::size_t hechas, std::size_t total) {
            llamadas.emplace_back(hechas, total);
            return llamadas.size() != caso.paraEnLlamada;
        };
        const motor::Hoja hoja = Generada(caso.larga, caso.filas);
        const TemporalChico temporal(caso.temporal);
        try {
            if (caso.extension == std::string("xlsx"))
                motor::EscribeXlsx({hoja}, ruta, avance);
            else
                motor::EscribeCsv(hoja, ruta, avance);
            EXPECT_EQ(caso.error, 0) << "sin error";
        } catch (const motor::ErrorMotor& e) {
            EXPECT_EQ(e.numero(), caso.error) << e.what();
            EXPECT_TRUE(e.descripcion().contains(ruta)) << e.what();
            EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(caso.motivo))) << e.what();
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{nombre});
        if (caso.error != 0) {
            EXPECT_EQ(prueba::LeeArchivo(ruta), anterior);
            if (caso.paraEnLlamada != 0) {
                EXPECT_EQ(llamadas.size(), caso.paraEnLlamada);
            }
            continue;
        }
        // Every row heard of, in order, up to all of them.
        ASSERT_FALSE(llamadas.empty());
        EXPECT_EQ(llamadas.back(), std::make_pair(caso.filas, caso.filas));
        for (std::size_t i = 1; i < llamadas.size(); ++i)
            EXPECT_LT(llamadas[i - 1].first, llamadas[i].first);
        const QByteArray escrito = prueba::LeeArchivo(ruta);
        if (caso.extension == std::string("xlsx")) {
            EXPECT_TRUE(escrito.startsWith("PK"));
        } else {
            EXPECT_EQ(escrito.count("\r\n"), qsizetype(caso.filas + 1));
            const std::size_t u = caso.filas - 1;
            EXPECT_TRUE(escrito.endsWith(QStringLiteral("F%1,2026-11-%2,%3\r\n")
                                             .arg(u)
                                             .arg(u % 28 + 1, 2, 10, QLatin1Char('0'))
                                             .arg(double(u) / 4, 0, 'f', 2)
                                             .toUtf8()));
        }
    }
}

} // namespace

// Amounts written from their cents are the very text of the shortest round trip: named cases
// at the edges, then cents and any doubles at random.
TEST(Escritores, CadaNumeroEsSuTextoMasCorto) {
    std::vector<double> valores{0.1,    0.25,         -0.5,
                                100000, -0.0,         0.30000000000000004,
                                5e-324, 1e12 - 0.01,  -999999999999.99,
                                1e12,   1e22,         -941.6100000000047,
                                0.005,  123456789.12, std::numeric_limits<double>::max()};
    std::mt19937_64 azar(7);
    for (int i = 0; i < 100000; ++i) {
        valores.push_back(double(std::int64_t(azar() % 200000000000000) - 100000000000000) / 100);
        valores.push_back(std::bit_cast<double>(azar()));
    }
    for (const double v : valores) {
        if (!std::isfinite(v))
            continue;
        char texto[400];
        const auto r = std::to_chars(texto, texto + sizeof texto, v, std::chars_format::fixed);
        ASSERT_EQ(motor::NumeroCsv(v).toStdString(), std::string(texto, r.ptr)) << v;
    }
}
