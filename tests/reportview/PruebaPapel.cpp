// The paper equals the table: a working table with one customer's code written three ways, a
// customer without a name, equal dates and times and several pages, printed to a PDF and read
// back with pdftotext. What the paper must show is worked out here from the rows stored, as the
// database compares codes: the groups, the code the builder's customer list gives, each group's
// rows in walk order, its count, opening and closing balances and totals, and the grand total.
// Run with the working table and the customers in different collations.
#include "ApoyoMotor.h"
#include "reportengine/Formatos.h"
#include "reportview/MotorReporte.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {

namespace p = motor::propiedad;

// A code as a collation compares it: trailing blanks never count, case only under _bin.
QString Igual(const QString& codigo, bool binaria) {
    QString c = codigo;
    while (c.endsWith(QLatin1Char(' ')))
        c.chop(1);
    return binaria ? c : c.toUpper();
}

struct Caso {
    const char* nombre;
    const char* movimientos; // collation of the working table
    const char* clientes;    // collation of clientes
    const char* modo;        // the engine's session sql_mode, as a server profile sets it
};

class Papel : public ::testing::TestWithParam<Caso> {};

// One customer's chain as the builder would have walked it.
struct Cadena {
    std::vector<QString> formas; // how its code is written in its rows
    double inicial;
    int filas;
};

// The rows: each customer's chain in walk order (date, then time as text, ties in the order
// they are stored), interleaved at random so that customers mix in the stored order.
std::vector<prueba::Movimiento> Filas(const std::vector<Cadena>& cadenas, bool utf8mb4) {
    std::mt19937 azar(7);
    const QStringList fechas{"2024-03-01", "2024-03-02", "2024-03-05"};
    // "10:00:00" sorts before "9:30:00" as text, as the builder walks them.
    const QStringList horas{"08:15:00", "10:00:00", "9:30:00", "10:00:00", "17:45:10"};
    std::vector<std::vector<prueba::Movimiento>> porCliente;
    int folio = 0;
    for (const Cadena& c : cadenas) {
        std::vector<std::pair<QString, QString>> cuando;
        for (int i = 0; i < c.filas; ++i)
            cuando.emplace_back(fechas[int(azar() % fechas.size())],
                                horas[int(azar() % horas.size())]);
        std::stable_sort(cuando.begin(), cuando.end());
        std::vector<prueba::Movimiento> filas;
        double saldo = c.inicial;
        for (const auto& [fecha, hora] : cuando) {
            prueba::Movimiento m;
            m.cliente = c.formas[azar() % c.formas.size()];
            m.fecha = fecha;
            m.hora = hora;
            // Folios with letters of 2, 3 and 4 bytes in UTF-8 (the last one only where the
            // table's character set has it).
            const QStringList letras{"", "Ñ", "€", utf8mb4 ? "😀" : ""};
            ++folio;
            m.folio = QStringLiteral("F%1").arg(folio, 4, 10, QLatin1Char('0')) +
                      letras[folio % letras.size()];
            // Amounts that do not add up exactly in binary.
            const double importe = double(azar() % 500000) / 100.0 + 0.1;
            switch (azar() % 3) {
            case 0:
                m.movimiento = QStringLiteral("Remisión");
                m.ventas = importe;
                break;
            case 1:
                m.movimiento = QStringLiteral("Devolución");
                m.devoluciones = importe / 7;
                break;
            default:
                m.movimiento = utf8mb4 ? QStringLiteral("Pago €😀") : QStringLiteral("Pago €");
                m.pagos = importe / 3;
            }
            m.anterior = saldo;
            saldo = saldo + m.ventas - m.devoluciones - m.pagos;
            m.actual = saldo;
            filas.push_back(m);
        }
        porCliente.push_back(std::move(filas));
    }
    std::vector<prueba::Movimiento> todas;
    std::vector<std::size_t> siguiente(porCliente.size(), 0);
    for (;;) {
        std::vector<std::size_t> quedan;
        for (std::size_t i = 0; i < porCliente.size(); ++i) {
            if (siguiente[i] < porCliente[i].size())
                quedan.push_back(i);
        }
        if (quedan.empty())
            break;
        const std::size_t i = quedan[azar() % quedan.size()];
        todas.push_back(porCliente[i][siguiente[i]++]);
    }
    return todas;
}

// What one group must show, from the stored rows.
struct Esperado {
    QString clave;
    QString nombre;
    std::vector<std::size_t> filas; // stored positions in walk order
    double inicial = 0, final = 0, ventas = 0, devoluciones = 0, pagos = 0;
};

// A text as pdftotext reads it back: Qt's PDF writer maps no character outside the basic plane
// back to text (the glyph is drawn, but not extractable), so those are left out.
QString EnPdf(const QString& texto) {
    QString visible;
    for (const QChar c : texto) {
        if (!c.isSurrogate())
            visible += c;
    }
    return visible.simplified();
}

QString Linea(const QStringList& lineas, const QString& comienzo) {
    for (const QString& l : lineas) {
        if (l.startsWith(comienzo))
            return l;
    }
    return {};
}

TEST_P(Papel, MuestraLaTablaComoLaBaseComparaLosCodigos) {
    const Caso& caso = GetParam();
    const bool binaria = QString::fromUtf8(caso.movimientos).endsWith(QStringLiteral("_bin"));
    // Characters outside the basic plane only where both tables can hold them.
    const bool utf8mb4 =
        QString::fromUtf8(caso.movimientos).startsWith(QStringLiteral("utf8mb4")) &&
        QString::fromUtf8(caso.clientes).startsWith(QStringLiteral("utf8mb4"));
    prueba::DatosReporte datos(QString::fromUtf8(caso.movimientos),
                               QString::fromUtf8(caso.clientes));
    // Names keyed by a form of the code other than the one the rows use most.
    datos.Cliente(QStringLiteral("c001"), QStringLiteral("Ferretería Fina de Doña Inés"));
    datos.Cliente(QStringLiteral("B7"), QStringLiteral("Oficina Fiscal Ñandú"));
    datos.Cliente(QStringLiteral("Z9 "), QStringLiteral("Abarrotes Zoé"));
    datos.Cliente(QStringLiteral("o'b\\1"), QStringLiteral("Patricio O'Brien \\ Muñoz"));
    datos.Cliente(QStringLiteral("ñú01"), QStringLiteral("Ñandú Úrsula €"));
    datos.Cliente(QStringLiteral("€5"), QStringLiteral("Casa del €uro"));
    if (utf8mb4)
        datos.Cliente(QStringLiteral("😀7"), QStringLiteral("Risas 😀"));
    std::vector<Cadena> cadenas{
        {{"C001", "c001", "C001 "}, 29327.1, 60},
        {{"A2"}, 0, 25}, // no name
        {{"B7", "b7"}, -150.25, 45},
        {{"Z9"}, 1e6 / 3, 30},
        {{"O'B\\1", "o'b\\1 "}, 10, 8}, // quotes and backslashes need no escaping
        {{"ÑÚ01", "ñú01"}, 500.5, 14},  // letters beyond ASCII, in both cases
        {{"€5"}, 0, 6},
    };
    if (utf8mb4)
        cadenas.push_back({{"😀7"}, 1, 5});
    const std::vector<prueba::Movimiento> filas = Filas(cadenas, utf8mb4);
    datos.Movimientos(filas);

    // The groups: rows whose codes the working table takes as equal, each group shown with the
    // code that the builder's customer list (GROUP BY) gives.
    const QStringList lista = datos.Columna(
        QStringLiteral("SELECT Cliente FROM tmpravesta GROUP BY Cliente ORDER BY Cliente"));
    std::map<QString, Esperado> grupos;
    for (const QString& clave : lista)
        grupos[Igual(clave, binaria)].clave = clave;
    for (std::size_t i = 0; i < filas.size(); ++i)
        grupos[Igual(filas[i].cliente, binaria)].filas.push_back(i);
    const std::map<QString, QString> nombres{{"C001", "Ferretería Fina de Doña Inés"},
                                             {"B7", "Oficina Fiscal Ñandú"},
                                             {"Z9", "Abarrotes Zoé"},
                                             {"O'B\\1", "Patricio O'Brien \\ Muñoz"},
                                             {"ÑÚ01", "Ñandú Úrsula €"},
                                             {"€5", "Casa del €uro"},
                                             {"😀7", "Risas 😀"}};
    std::vector<std::size_t> walk;
    double ventas = 0, devoluciones = 0, pagos = 0, finales = 0;
    for (auto& [igual, g] : grupos) {
        ASSERT_FALSE(g.clave.isEmpty()) << igual.toStdString();
        const auto n = nombres.find(Igual(g.clave, false));
        g.nombre = n == nombres.end() ? QString() : n->second;
        // Walk order: date, time as text, ties as stored.
        std::stable_sort(g.filas.begin(), g.filas.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(filas[a].fecha, filas[a].hora) <
                   std::pair(filas[b].fecha, filas[b].hora);
        });
        g.inicial = filas[g.filas.front()].anterior;
        g.final = filas[g.filas.back()].actual;
        for (const std::size_t i : g.filas) {
            g.ventas += filas[i].ventas;
            g.devoluciones += filas[i].devoluciones;
            g.pagos += filas[i].pagos;
        }
        ventas += g.ventas;
        devoluciones += g.devoluciones;
        pagos += g.pagos;
        finales += g.final;
    }
    // The paper lists the groups in the database's order of the codes.
    std::vector<const Esperado*> enOrden;
    for (const QString& clave : lista) {
        const Esperado& g = grupos[Igual(clave, binaria)];
        enOrden.push_back(&g);
        walk.insert(walk.end(), g.filas.begin(), g.filas.end());
    }
    ASSERT_EQ(enOrden.size(), grupos.size());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("reporte.pdf"));
    motor::MotorReporte m;
    m.Propiedad(p::ArchivoReporte, prueba::EscribeMovimientos(dir.path()));
    m.Propiedad(p::Conexion,
                datos.textoConexion() + QStringLiteral("INITSTMT={SET SESSION sql_mode='%1'};")
                                            .arg(QString::fromUtf8(caso.modo)));
    m.PropiedadIndexada(p::Ubicacion, 0, datos.base() + QStringLiteral(".tmpravesta"));
    m.PropiedadIndexada(p::Ubicacion, 1, datos.base() + QStringLiteral(".clientes"));
    m.Propiedad(p::Destino, 2);
    m.Propiedad(p::ArchivoPdf, pdf);
    m.Propiedad(p::Accion, 1);
    const QString texto = prueba::TextoPdf(pdf);
    ASSERT_GT(m.ultimoDocumento().NumeroPaginas(), 2u) << "the case needs several pages";
    QStringList lineas;
    for (const QString& l : texto.split(QLatin1Char('\n')))
        lineas << l.simplified();
    const auto F = [](double v) { return motor::FormateaImporte(v); };

    // One band and one total line per group, in order, and nothing else.
    QStringList bandas, totales;
    for (const QString& l : lineas) {
        if (l.startsWith(QStringLiteral("Cliente ")) && !l.contains(QStringLiteral("(continúa)")))
            bandas << l;
        if (l.startsWith(QStringLiteral("Totales de ")))
            totales << l;
    }
    ASSERT_EQ(bandas.size(), qsizetype(grupos.size())) << texto.toStdString();
    ASSERT_EQ(totales.size(), qsizetype(grupos.size())) << texto.toStdString();
    int i = 0;
    for (const Esperado* e : enOrden) {
        const Esperado& g = *e;
        QString banda = QStringLiteral("Cliente ") + g.clave.trimmed();
        if (!g.nombre.isEmpty())
            banda += QStringLiteral(" · ") + g.nombre;
        EXPECT_EQ(bandas[i], EnPdf(banda + QStringLiteral(" Saldo inicial: ") + F(g.inicial)));
        // The page itself holds every character.
        const motor::Documento& doc = m.ultimoDocumento();
        bool esta = false;
        for (std::size_t p = 0; p < doc.NumeroPaginas() && !esta; ++p) {
            const motor::Pagina pagina = doc.HazPagina(p);
            esta = std::any_of(
                pagina.textos.begin(), pagina.textos.end(),
                [&](const motor::TextoPagina& t) { return t.texto.simplified() == banda; });
        }
        EXPECT_TRUE(esta) << banda.toStdString();
        const std::size_t n = g.filas.size();
        EXPECT_EQ(totales[i],
                  EnPdf(QStringLiteral("Totales de %1 (%2 movimientos) %3 %4 %5 Saldo final: %6")
                            .arg(g.clave.trimmed())
                            .arg(n)
                            .arg(F(g.ventas), F(g.devoluciones), F(g.pagos), F(g.final))));
        ++i;
    }
    EXPECT_EQ(Linea(lineas, QStringLiteral("Total general:")),
              QStringLiteral("Total general: %1 clientes, %2 movimientos %3 %4 %5")
                  .arg(grupos.size())
                  .arg(filas.size())
                  .arg(F(ventas), F(devoluciones), F(pagos)));
    EXPECT_EQ(Linea(lineas, QStringLiteral("Suma de los saldos finales:")),
              QStringLiteral("Suma de los saldos finales: ") + F(finales));

    // Every row once, in walk order, with its balances beside it.
    QStringList orden;
    for (const QString& l : lineas) {
        const QRegularExpressionMatch f =
            QRegularExpression(QStringLiteral(" ((Remisión|Devolución|Pago €) "
                                              "F\\d{4}\\S*) "))
                .match(l);
        if (f.hasMatch())
            orden << f.captured(1) + QLatin1Char(' ') + l.section(QLatin1Char(' '), -2);
    }
    QStringList esperado;
    for (const std::size_t k : walk)
        esperado << EnPdf(filas[k].movimiento + QLatin1Char(' ') + filas[k].folio +
                          QLatin1Char(' ') + F(filas[k].anterior) + QLatin1Char(' ') +
                          F(filas[k].actual));
    EXPECT_EQ(orden, esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Colaciones, Papel,
    ::testing::Values(Caso{"generalConUnicode", "utf8mb4_general_ci", "utf8mb4_unicode_ci",
                           "ONLY_FULL_GROUP_BY,STRICT_TRANS_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,"
                           "ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION"},
                      Caso{"unicodeConGeneral", "utf8mb4_unicode_ci", "utf8mb4_general_ci",
                           "NO_BACKSLASH_ESCAPES"},
                      Caso{"latin1ConUtf8", "latin1_swedish_ci", "utf8mb4_general_ci", ""},
                      Caso{"latin1EspanolConSueco", "latin1_spanish_ci", "latin1_swedish_ci",
                           "ONLY_FULL_GROUP_BY"},
                      Caso{"binariaDistingueMayusculas", "utf8mb4_bin", "utf8mb4_general_ci",
                           "STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,"
                           "NO_ENGINE_SUBSTITUTION"}),
    [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
