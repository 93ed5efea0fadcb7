// The .rpt format: what the compiler writes reads back equal, the runner's own scan finds
// exactly its tables, and damaged files are a clear error, never a crash.
#include "ApoyoMotor.h"
#include "report/Plantilla.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/TextoDiseno.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

using motor::Plantilla;

// Templates of every shape the compiler should accept.
std::vector<Plantilla> Plantillas() {
    std::vector<Plantilla> v;
    const Plantilla base = prueba::PlantillaMovimientos();
    v.push_back(base);

    Plantilla una = base;
    una.tablas.resize(1);
    una.diseno.tablaNombres = -1;
    una.diseno.campoClave.clear();
    una.diseno.campoNombre.clear();
    v.push_back(una);

    Plantilla varias = base;
    varias.tablas.push_back({"PDSODBC.DLL", "Otra fuente", "db.c"});
    varias.tablas.push_back({"pdbdao.dll", "C:\\datos\\x.mdb", "archivo"});
    v.push_back(varias);

    // Words with "pd" in them, accents and a long record right at the 60-byte limit.
    Plantilla texto = base;
    texto.diseno.titulo = QStringLiteral("Update: pdf de cuentas · Ñandú ¿qué pd?");
    texto.diseno.sinDatos = QStringLiteral("Nada que imprimir (pdsodbc no es un driver aquí)");
    texto.tablas[1].nombre = QStringLiteral("clientes_con_un_nombre_largo_");
    v.push_back(texto);

    Plantilla a4 = base;
    a4.diseno.carta = false;
    a4.diseno.horizontal = false;
    a4.diseno.orden.clear();
    a4.diseno.campoSaldoInicial.clear();
    a4.diseno.etiquetaSaldoInicial.clear();
    v.push_back(a4);
    return v;
}

QStringList EntradasDelEjecutor(const QByteArray& bytes) {
    QTemporaryDir dir;
    QString ruta = dir.filePath(QStringLiteral("p.rpt"));
    QFile f(ruta);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QStringList entradas;
    modRPTs::LeeTablasReporte(ruta, entradas);
    return entradas;
}

long Falla(const QByteArray& bytes) {
    try {
        motor::LeePlantilla(bytes);
    } catch (const motor::ErrorMotor& e) {
        EXPECT_FALSE(e.descripcion().isEmpty());
        return e.numero();
    }
    return 0;
}

// Sets the closing checksum right, so that what lies before it is what gets checked.
QByteArray ConSuma(QByteArray b) {
    if (b.size() < 4)
        return b;
    b.chop(4);
    // The checksum of a template that reads back: reuse the writer through a round trip is not
    // possible for damaged bytes, so it is computed here (CRC-32, as FORMAT.md says).
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : b) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((crc >> (8 * i)) & 0xFF));
    return b;
}

TEST(Formato, CadaPlantillaSeLeeIgualYElEjecutorHallaSusTablas) {
    for (const Plantilla& p : Plantillas()) {
        const QByteArray bytes = motor::EscribePlantilla(p);
        EXPECT_EQ(motor::LeePlantilla(bytes), p) << p.diseno.titulo.toStdString();
        QStringList esperadas;
        for (const motor::TablaPlantilla& t : p.tablas)
            esperadas << t.nombre;
        // The tables and their order; the kind letter of a record near a DAO one follows the
        // runner's overlapping windows.
        QStringList halladas;
        for (const QString& entrada : EntradasDelEjecutor(bytes))
            halladas << entrada.mid(2);
        EXPECT_EQ(halladas, esperadas) << p.diseno.titulo.toStdString();
    }
}

TEST(Formato, LaPlantillaDelProgramaEsLaQueCompilaLaConstruccion) {
    QFile f(QStringLiteral(QUILTARO_BINARY_DIR "/app/quiltaro.rpt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(motor::LeePlantilla(bytes), prueba::PlantillaMovimientos());
    EXPECT_EQ(EntradasDelEjecutor(bytes),
              QStringList({"M trevantoreportes.ravesta", "M clientes"}));
}

TEST(Formato, ElCompiladorRehusaLoQueElEjecutorLeeriaMal) {
    struct Caso {
        const char* que;
        std::function<void(Plantilla&)> cambia;
    };
    const std::vector<Caso> casos = {
        {"layout naming a driver",
         [](Plantilla& p) { p.diseno.titulo = QStringLiteral("pdsodbc.dll es el driver"); }},
        {"record over 60 bytes",
         [](Plantilla& p) { p.tablas[0].nombre = QString(50, QLatin1Char('x')); }},
        {"driver not ending in .dll", [](Plantilla& p) { p.tablas[0].driver = "pdsodbc.so"; }},
        {"no tables", [](Plantilla& p) { p.tablas.clear(); }},
        {"names table out of range", [](Plantilla& p) { p.diseno.tablaNombres = 5; }},
        {"title with a separator", [](Plantilla& p) { p.diseno.titulo = "a | b"; }},
        {"title with a line break", [](Plantilla& p) { p.diseno.titulo = "a\nb"; }},
        {"no columns", [](Plantilla& p) { p.diseno.columnas.clear(); }},
        {"bad field name", [](Plantilla& p) { p.diseno.columnas[0].campo = "a`b"; }},
    };
    for (const Caso& c : casos) {
        Plantilla p = prueba::PlantillaMovimientos();
        c.cambia(p);
        try {
            motor::EscribePlantilla(p);
            ADD_FAILURE() << c.que << ": accepted";
        } catch (const motor::ErrorMotor& e) {
            EXPECT_EQ(e.numero(), motor::errores::PlantillaDanada) << c.que;
        }
    }
}

TEST(Formato, ArchivosCortosLargosYBasuraSonPlantillaDanada) {
    const QByteArray bueno = prueba::BytesMovimientos();
    for (qsizetype n = 0; n < bueno.size(); ++n)
        EXPECT_EQ(Falla(bueno.left(n)), motor::errores::PlantillaDanada) << "cut at " << n;
    for (qsizetype n = 0; n < bueno.size() - 4; n += 7)
        EXPECT_EQ(Falla(ConSuma(bueno.left(n) + QByteArray(4, '\0'))),
                  motor::errores::PlantillaDanada)
            << "cut at " << n << " with its checksum";
    EXPECT_EQ(Falla(bueno + "x"), motor::errores::PlantillaDanada);
    EXPECT_EQ(Falla(ConSuma(bueno + QByteArray(4, '\0'))), motor::errores::PlantillaDanada);
    EXPECT_EQ(Falla(QByteArray(motor::TamanoMaximoPlantilla + 1, 'Q')),
              motor::errores::PlantillaDanada);
    std::mt19937 azar(12345);
    for (int i = 0; i < 200; ++i) {
        QByteArray basura(qsizetype(azar() % 2000), '\0');
        for (char& c : basura)
            c = char(azar());
        EXPECT_EQ(Falla(basura), motor::errores::PlantillaDanada);
        EXPECT_EQ(Falla(ConSuma(QByteArray("QUILTRPT\x01\x00", 10) + basura)),
                  motor::errores::PlantillaDanada);
    }
}

// Seeded random mutations: flipped, inserted and removed bytes, with and without a matching
// checksum. Each either reads (a change the format allows) or is PlantillaDanada.
TEST(Formato, MutacionesAlAzarNuncaRompenAlLector) {
    const QByteArray bueno = prueba::BytesMovimientos();
    std::mt19937 azar(20500);
    int leidas = 0;
    for (int i = 0; i < 4000; ++i) {
        QByteArray b = bueno;
        const int cambios = 1 + int(azar() % 4);
        for (int k = 0; k < cambios && !b.isEmpty(); ++k) {
            const qsizetype p = qsizetype(azar() % std::uint32_t(b.size()));
            switch (azar() % 3) {
            case 0:
                b[p] = char(azar());
                break;
            case 1:
                b.insert(p, char(azar()));
                break;
            default:
                b.remove(p, 1);
            }
        }
        const bool suma = i % 2 == 1;
        if (suma)
            b = ConSuma(b);
        const long n = Falla(b);
        if (n == 0) {
            ++leidas;
            EXPECT_TRUE(suma) << "a mutation passed the checksum";
        } else {
            EXPECT_EQ(n, motor::errores::PlantillaDanada);
        }
    }
    EXPECT_LT(leidas, 2000);
}

TEST(Formato, ArchivoQueNoExisteEsSinPlantilla) {
    QTemporaryDir dir;
    for (const QString& ruta : {QString(), dir.filePath(QStringLiteral("no.rpt")), dir.path()}) {
        try {
            motor::LeeArchivoPlantilla(ruta);
            ADD_FAILURE() << ruta.toStdString();
        } catch (const motor::ErrorMotor& e) {
            EXPECT_EQ(e.numero(), ruta == dir.path() ? motor::errores::SinPlantilla
                                                     : motor::errores::SinPlantilla);
        }
    }
}

} // namespace
