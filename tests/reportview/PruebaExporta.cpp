// The preview's exports, read back with real readers (openpyxl and Python's csv) and compared
// value by value with the working table: the CSV's numbers bit for bit, the workbook's to the
// 15 significant digits a spreadsheet shows.
#include "ApoyoMotor.h"
#include "reportengine/ErroresMotor.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace p = motor::propiedad;

const QString Nombre = QStringLiteral("Doña Inés, \"La Güera\"");
const QString NombreN = QStringLiteral("Ñandú € 😀 Ltda.");

// The rows as stored, and the order the report must print them in.
struct Tabla {
    std::vector<prueba::Movimiento> filas;
    std::vector<std::size_t> impresas;
};

Tabla Datos() {
    // Each customer's chain in walk order; two rows of C001 tie on date and time.
    std::vector<prueba::Movimiento> c001{
        {"C001", "2024-05-01", "09:00:00", "Remisión", "R-1", 3.0000000020000006, 0, 0},
        {"c001", "2024-05-01", "09:00:00", "Pago", "P,1", 0, 0, 0.1},
        {"C001", "2024-05-03", "08:00:00", "Devolución", "D\"1", 0, 1e-7, 0},
        {"c001", "2024-05-04", "10:00:00", "Factura", "F-1", 123456789.12345678, 0, 0}};
    std::vector<prueba::Movimiento> a2{
        {"A2", "2024-05-01", "12:00:00", "Remisión", "R-2", 1.0 / 3, 0, 0},
        {"A2", "2024-05-02", "12:00:00", "Pago", "P-2", 0, 0, -0.5}};
    // Letters of 2, 3 and 4 bytes in UTF-8 in code, kind and folio; whole amounts and tiny
    // ones that the shortest general text would write in exponent form.
    std::vector<prueba::Movimiento> n01{
        {"ÑÚ01", "2024-05-02", "11:00:00", "Factura €", "Ñ€😀1", 100000, 0, 0},
        {"ñú01", "2024-05-03", "11:00:00", "Pago 😀", "P😀2", 0, 0, 2e6},
        {"ÑÚ01", "2024-05-04", "11:00:00", "Devolución", "D3", 0, 1e-9, 0}};
    for (auto* cadena : {&c001, &a2, &n01}) {
        double saldo = cadena == &c001 ? 29327.1 : cadena == &n01 ? -941.6100000000047 : 0.0;
        for (prueba::Movimiento& m : *cadena) {
            m.anterior = saldo;
            saldo = saldo + m.ventas - m.devoluciones - m.pagos;
            m.actual = saldo;
        }
    }
    // Stored: F-1, P-2, R-1, R-2, D3, P,1, Ñ€😀1, D"1, P😀2; printed: A2's rows, then C001's,
    // then ÑÚ01's.
    Tabla t;
    t.filas = {c001[3], a2[1], c001[0], a2[0], n01[2], c001[1], n01[0], c001[2], n01[1]};
    t.impresas = {3, 1, 2, 5, 7, 0, 6, 8, 4};
    return t;
}

class Exporta : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        datos_.Cliente(QStringLiteral("c001"), Nombre);
        datos_.Cliente(QStringLiteral("ñú01"), NombreN);
        tabla_ = Datos();
        datos_.Movimientos(tabla_.filas);
        clave_ = datos_
                     .Columna(QStringLiteral("SELECT Cliente FROM tmpravesta GROUP BY Cliente "
                                             "HAVING Cliente='C001'"))
                     .value(0);
        ASSERT_FALSE(clave_.isEmpty());
        claveN_ = datos_
                      .Columna(QStringLiteral("SELECT Cliente FROM tmpravesta GROUP BY Cliente "
                                              "HAVING Cliente='ÑÚ01'"))
                      .value(0);
        ASSERT_FALSE(claveN_.isEmpty());
        m_.Propiedad(p::ArchivoReporte, prueba::EscribeMovimientos(dir_.path()));
        m_.Propiedad(p::Conexion, datos_.textoConexion());
        m_.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
        m_.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m_.Propiedad(p::Destino, 0);
        m_.Propiedad(p::Accion, 1);
        ASSERT_NE(m_.ultimaVista(), nullptr);
    }

    QJsonObject Lee(const char* tipo, const QString& ruta) {
        const QString salida = prueba::Ejecuta(
            QStringLiteral(QUILTARO_PYTHON3),
            {QStringLiteral(QUILTARO_LEE_EXPORTACION), QString::fromLatin1(tipo), ruta});
        return QJsonDocument::fromJson(salida.toUtf8()).object();
    }

    // Code and name of a stored row's group.
    QString Clave(std::size_t fila) const {
        const QString& c = tabla_.filas[fila].cliente;
        return c.startsWith(QLatin1Char('A'))                        ? QStringLiteral("A2")
               : c.startsWith(QLatin1Char('C'), Qt::CaseInsensitive) ? clave_
                                                                     : claveN_;
    }
    QString NombreDe(std::size_t fila) const {
        const QString& c = tabla_.filas[fila].cliente;
        return c.startsWith(QLatin1Char('A'))                        ? QString()
               : c.startsWith(QLatin1Char('C'), Qt::CaseInsensitive) ? Nombre
                                                                     : NombreN;
    }
    static std::vector<double> Numeros(const prueba::Movimiento& m) {
        return {m.ventas, m.devoluciones, m.pagos, m.anterior, m.actual};
    }

    QTemporaryDir dir_;
    prueba::DatosReporte datos_;
    Tabla tabla_;
    QString clave_, claveN_;
    motor::MotorReporte m_;
};

const QStringList Encabezados{"Cliente",    "Nombre",         "Fecha",       "Hora",
                              "Movimiento", "Folio",          "Ventas",      "Devoluciones",
                              "Pagos",      "Saldo anterior", "Saldo actual"};

QStringList Textos(const QJsonArray& fila) {
    QStringList textos;
    for (const QJsonValue v : fila)
        textos << v.toString();
    return textos;
}

QString Quince(double v) {
    return QString::number(v, 'g', 15);
}

TEST_F(Exporta, CsvConCadaNumeroBitABit) {
    const QString ruta = dir_.filePath(QStringLiteral("reporte.csv"));
    m_.ultimaVista()->ExportaCsv(ruta);
    const QJsonObject csv = Lee("csv", ruta);
    EXPECT_TRUE(csv[QStringLiteral("bom")].toBool());
    const QJsonArray filas = csv[QStringLiteral("filas")].toArray();
    ASSERT_EQ(filas.size(), qsizetype(tabla_.filas.size() + 1));
    EXPECT_EQ(Textos(filas[0].toArray()), Encabezados);
    for (std::size_t i = 0; i < tabla_.impresas.size(); ++i) {
        const std::size_t k = tabla_.impresas[i];
        const prueba::Movimiento& m = tabla_.filas[k];
        const QJsonArray f = filas[qsizetype(i + 1)].toArray();
        ASSERT_EQ(f.size(), 11) << i;
        const QStringList textos{Clave(k), NombreDe(k), m.fecha, m.hora, m.movimiento, m.folio};
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(f[c].toString(), textos[c]) << "fila " << i << " columna " << c;
        const std::vector<double> numeros = Numeros(m);
        for (int c = 0; c < 5; ++c) {
            const std::string texto = f[6 + c].toString().toStdString();
            double leido = 0;
            const auto r = std::from_chars(texto.data(), texto.data() + texto.size(), leido);
            EXPECT_TRUE(r.ec == std::errc() && r.ptr == texto.data() + texto.size()) << texto;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(leido),
                      std::bit_cast<std::uint64_t>(numeros[std::size_t(c)]))
                << "fila " << i << " columna " << 6 + c << ": " << texto;
        }
    }
    // RFC 4180 line ends; a point for decimals, no thousands separator.
    const QByteArray bytes = prueba::LeeArchivo(ruta);
    EXPECT_TRUE(bytes.contains("\r\n"));
    EXPECT_FALSE(bytes.contains("123,456"));
    EXPECT_TRUE(bytes.contains("123456789.12345678"));
    // Plain decimal notation, never an exponent.
    for (const char* numero : {",100000,", ",2000000,", ",0.000000001,", ",-941.6100000000047,"})
        EXPECT_TRUE(bytes.contains(numero)) << numero;
    EXPECT_FALSE(bytes.contains("e+"));
    EXPECT_FALSE(bytes.contains("e-"));
}

TEST_F(Exporta, LibroConMovimientosYResumen) {
    const QString ruta = dir_.filePath(QStringLiteral("reporte.xlsx"));
    m_.ultimaVista()->ExportaXlsx(ruta);
    const QJsonArray hojas = Lee("xlsx", ruta)[QStringLiteral("hojas")].toArray();
    ASSERT_EQ(hojas.size(), 2);

    const QJsonObject mov = hojas[0].toObject();
    EXPECT_EQ(mov[QStringLiteral("nombre")].toString(), QStringLiteral("Movimientos"));
    EXPECT_EQ(mov[QStringLiteral("congelada")].toString(), QStringLiteral("A2"));
    EXPECT_EQ(mov[QStringLiteral("filtro")].toString(),
              QStringLiteral("A1:K%1").arg(tabla_.filas.size() + 1));
    const QJsonArray filas = mov[QStringLiteral("filas")].toArray();
    const QJsonArray formatos = mov[QStringLiteral("formatos")].toArray();
    ASSERT_EQ(filas.size(), qsizetype(tabla_.filas.size() + 1));
    EXPECT_EQ(Textos(filas[0].toArray()), Encabezados);
    for (std::size_t i = 0; i < tabla_.impresas.size(); ++i) {
        const std::size_t k = tabla_.impresas[i];
        const prueba::Movimiento& m = tabla_.filas[k];
        const QJsonArray f = filas[qsizetype(i + 1)].toArray();
        const QJsonArray formas = formatos[qsizetype(i + 1)].toArray();
        EXPECT_EQ(f[0].toString(), Clave(k));
        if (NombreDe(k).isEmpty())
            EXPECT_TRUE(f[1].isNull()) << i;
        else
            EXPECT_EQ(f[1].toString(), NombreDe(k));
        EXPECT_EQ(f[2].toString(), m.fecha); // read back as a date
        EXPECT_EQ(formas[2].toString(), QStringLiteral("dd/mm/yyyy"));
        EXPECT_EQ(f[3].toString(), m.hora);
        EXPECT_EQ(f[4].toString(), m.movimiento);
        EXPECT_EQ(f[5].toString(), m.folio);
        const std::vector<double> numeros = Numeros(m);
        for (int c = 0; c < 5; ++c) {
            ASSERT_TRUE(f[6 + c].isDouble()) << i << " " << c;
            EXPECT_EQ(Quince(f[6 + c].toDouble()), Quince(numeros[std::size_t(c)]))
                << "fila " << i << " columna " << 6 + c;
            EXPECT_EQ(formas[6 + c].toString(), QStringLiteral("#,##0.00"));
        }
    }

    const QJsonObject res = hojas[1].toObject();
    EXPECT_EQ(res[QStringLiteral("nombre")].toString(), QStringLiteral("Resumen"));
    const QJsonArray resumen = res[QStringLiteral("filas")].toArray();
    ASSERT_EQ(resumen.size(), 4);
    QStringList titulos;
    for (const QJsonValue v : resumen[0].toArray())
        titulos << v.toString();
    EXPECT_EQ(titulos, (QStringList{"Cliente", "Nombre", "Saldo inicial", "Ventas", "Devoluciones",
                                    "Pagos", "Saldo final", "0 a 30 días", "31 a 60 días",
                                    "61 a 90 días", "Más de 90 días", "Anterior al periodo"}));
    // One row per customer, from the rows in printed order.
    std::size_t desde = 0;
    const QStringList claves{QStringLiteral("A2"), clave_, claveN_};
    const QStringList nombres{QString(), Nombre, NombreN};
    for (int g = 0; g < 3; ++g) {
        const std::size_t hasta = std::array<std::size_t, 3>{2, 6, 9}[std::size_t(g)];
        const prueba::Movimiento& primera = tabla_.filas[tabla_.impresas[desde]];
        const prueba::Movimiento& ultima = tabla_.filas[tabla_.impresas[hasta - 1]];
        double v = 0, d = 0, pa = 0;
        for (std::size_t i = desde; i < hasta; ++i) {
            v += tabla_.filas[tabla_.impresas[i]].ventas;
            d += tabla_.filas[tabla_.impresas[i]].devoluciones;
            pa += tabla_.filas[tabla_.impresas[i]].pagos;
        }
        const QJsonArray f = resumen[g + 1].toArray();
        EXPECT_EQ(f[0].toString(), claves[g]);
        if (g > 0) {
            EXPECT_EQ(f[1].toString(), nombres[g]);
        }
        const std::vector<double> esperado{primera.anterior, v, d, pa, ultima.actual};
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(Quince(f[2 + c].toDouble()), Quince(esperado[std::size_t(c)])) << g << c;
        // The buckets as printed add up to the closing balance as printed; a balance in the
        // customer's favour has none.
        long long centavos = 0;
        for (int c = 7; c < 12; ++c)
            centavos += std::llround(f[c].toDouble() * 100);
        const long long saldo =
            std::llround(std::stod(QString::number(ultima.actual, 'f', 2).toStdString()) * 100);
        EXPECT_EQ(centavos, std::max(saldo, 0LL)) << g;
        desde = hasta;
    }
}

// A disk of its own, 256 KiB of memory (tmpfs), mounted for a while and unmounted whatever
// happens. Mounting needs root, as the test runs in CI; elsewhere the test fails, it is not
// skipped.
class DiscoChico {
public:
    DiscoChico() {
        if (::geteuid() != 0) {
            error_ = "mounting the small disk needs root (run the tests as root)";
            return;
        }
        if (::mount("tmpfs", Ruta().constData(), "tmpfs", 0, "size=256k") != 0)
            error_ = std::string("mount tmpfs: ") + std::strerror(errno);
        else
            montado_ = true;
    }
    ~DiscoChico() {
        if (montado_)
            ::umount2(Ruta().constData(), MNT_DETACH);
    }
    DiscoChico(const DiscoChico&) = delete;
    DiscoChico& operator=(const DiscoChico&) = delete;

    bool montado() const { return montado_; }
    const std::string& error() const { return error_; }
    QString carpeta() const { return dir_.path(); }
    bool SoloLectura() {
        return ::mount("tmpfs", Ruta().constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=256k") ==
               0;
    }
    // Takes every free block with one more file.
    void Llena() {
        QFile relleno(dir_.filePath(QStringLiteral("relleno")));
        ASSERT_TRUE(relleno.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray bloque(4096, 'r');
        while (relleno.write(bloque) == bloque.size()) {
        }
    }

private:
    QByteArray Ruta() const { return QFile::encodeName(dir_.path()); }

    QTemporaryDir dir_;
    bool montado_ = false;
    std::string error_;
};

enum class Caso { Reemplaza, Nuevo, DiscoLleno, SinCarpeta, SoloLectura, EsCarpeta };

struct Salida {
    const char* extension;
    std::function<void(motor::VistaPrevia&, const QString&)> escribe;
};

struct stat Estado(const QString& ruta) {
    struct stat s {};
    ::stat(QFile::encodeName(ruta).constData(), &s);
    return s;
}
ino_t Nodo(const QString& ruta) {
    return Estado(ruta).st_ino;
}
mode_t Modo(const QString& ruta) {
    return Estado(ruta).st_mode & 0777;
}

QStringList Contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name);
}

// Every file of the preview goes through the safe writer: a success replaces the older file in
// one rename; a failure names the file, leaves the older one byte for byte and no scratch file.
TEST_F(Exporta, CadaArchivoSeEscribeEnteroONoSeToca) {
    const std::vector<Salida> salidas{
        {"pdf", [](motor::VistaPrevia& v, const QString& r) { v.GuardaPdf(r); }},
        {"xlsx", [](motor::VistaPrevia& v, const QString& r) { v.ExportaXlsx(r); }},
        {"csv", [](motor::VistaPrevia& v, const QString& r) { v.ExportaCsv(r); }}};
    const std::vector<std::pair<Caso, const char*>> casos{
        {Caso::Reemplaza, ""},
        {Caso::Nuevo, ""},
        {Caso::DiscoLleno, "no queda espacio en el disco"},
        {Caso::SinCarpeta, "no existe"},
        {Caso::SoloLectura, "solo lectura"},
        {Caso::EsCarpeta, "ya hay una carpeta con ese nombre"}};
    const QByteArray anterior = QByteArray("el reporte de ayer\n").repeated(500);
    const mode_t mascara = ::umask(022);
    ::umask(mascara);
    for (const Salida& salida : salidas) {
        for (const auto& [caso, motivo] : casos) {
            SCOPED_TRACE(std::string(salida.extension) + " caso " + std::to_string(int(caso)));
            DiscoChico disco;
            ASSERT_TRUE(disco.montado()) << disco.error();
            const QString nombre = QStringLiteral("reporte.") + QLatin1String(salida.extension);
            const QString carpeta = caso == Caso::SinCarpeta
                                        ? disco.carpeta() + QStringLiteral("/no/hay")
                                        : disco.carpeta();
            const QString ruta = carpeta + QLatin1Char('/') + nombre;
            if (caso == Caso::EsCarpeta) {
                ASSERT_TRUE(QDir().mkpath(ruta + QStringLiteral("/dentro")));
            } else if (caso != Caso::Nuevo && caso != Caso::SinCarpeta) {
                prueba::EscribeArchivo(ruta, anterior);
                ASSERT_TRUE(QFile::setPermissions(ruta, QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ReadGroup));
            }
            if (caso == Caso::DiscoLleno)
                disco.Llena();
            if (caso == Caso::SoloLectura) {
                ASSERT_TRUE(disco.SoloLectura());
            }
            const QStringList antes = Contenido(disco.carpeta());
            const ino_t nodo = Nodo(ruta);

            if (*motivo) {
                try {
                    salida.escribe(*m_.ultimaVista(), ruta);
                    ADD_FAILURE() << "sin error";
                } catch (const motor::ErrorMotor& e) {
                    EXPECT_EQ(e.numero(), motor::errores::ErrorSalida);
                    EXPECT_TRUE(e.descripcion().contains(ruta)) << e.what();
                    EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(motivo))) << e.what();
                }
                EXPECT_EQ(Contenido(disco.carpeta()), antes);
                if (caso == Caso::EsCarpeta) {
                    EXPECT_TRUE(QFileInfo(ruta + QStringLiteral("/dentro")).isDir());
                } else if (caso != Caso::SinCarpeta) {
                    EXPECT_EQ(prueba::LeeArchivo(ruta), anterior);
                }
                continue;
            }

            salida.escribe(*m_.ultimaVista(), ruta);
            EXPECT_EQ(Contenido(disco.carpeta()), QStringList{nombre});
            EXPECT_NE(Nodo(ruta), nodo); // a new file put in place, not the old one rewritten
            EXPECT_EQ(Modo(ruta), caso == Caso::Nuevo ? 0666 & ~mascara : 0640);
            if (salida.extension == std::string("pdf")) {
                EXPECT_TRUE(prueba::LeeArchivo(ruta).trimmed().endsWith("%%EOF"));
                EXPECT_TRUE(prueba::TextoPdf(ruta).contains(
                    QStringLiteral("Reporte de movimientos de clientes")));
            } else if (salida.extension == std::string("xlsx")) {
                EXPECT_EQ(Lee("xlsx", ruta)[QStringLiteral("hojas")].toArray().size(), 2);
            } else {
                EXPECT_EQ(Lee("csv", ruta)[QStringLiteral("filas")].toArray().size(),
                          qsizetype(tabla_.filas.size() + 1));
            }
        }
    }

    // Cancelled while written: the older file stays as it was, and nothing beside it.
    QTemporaryDir carpeta;
    const motor::AvanceSalida cancela = [](std::size_t, std::size_t) { return false; };
    for (const QString& extension : {QStringLiteral("pdf"), QStringLiteral("xlsx")}) {
        const QString ruta = carpeta.filePath(QStringLiteral("reporte.") + extension);
        prueba::EscribeArchivo(ruta, anterior);
        try {
            if (extension == QLatin1String("pdf"))
                m_.ultimaVista()->GuardaPdf(ruta, cancela);
            else
                m_.ultimaVista()->ExportaXlsx(ruta, cancela);
            ADD_FAILURE() << "sin cancelar " << extension.toStdString();
        } catch (const motor::ErrorMotor& e) {
            EXPECT_EQ(e.numero(), motor::errores::Cancelado) << e.what();
        }
        EXPECT_EQ(prueba::LeeArchivo(ruta), anterior);
        EXPECT_EQ(Contenido(carpeta.path()).size(), extension == QLatin1String("pdf") ? 1 : 2);
    }
}

} // namespace
