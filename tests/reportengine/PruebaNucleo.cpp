// The engine's core on hand-built rows, without a database or a window: the ageing of a
// closing balance, statement file names, pages, the CSV text, the PDF and a statements run
// that is cancelled or cannot write.
#include "ApoyoMotor.h"
#include "mail/Estados.h"
#include "reportengine/Cuentas.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Exportacion.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Salida.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

struct Fila {
    const char* cliente;
    const char* fecha;
    double ventas, pagos, final;
};

motor::Diseno Diseno() {
    motor::Diseno d;
    d.titulo = QStringLiteral("Movimientos");
    d.campoGrupo = QStringLiteral("Cliente");
    d.etiquetaGrupo = QStringLiteral("Cliente");
    d.campoSaldoInicial = QStringLiteral("Anterior");
    d.etiquetaSaldoInicial = QStringLiteral("Saldo inicial");
    d.campoSaldoFinal = QStringLiteral("Actual");
    d.etiquetaSaldoFinal = QStringLiteral("Saldo final");
    d.campoVentas = QStringLiteral("Ventas");
    using F = motor::FormatoCampo;
    using A = motor::Alineacion;
    d.columnas = {{"Fecha", "Fecha", F::Fecha, 10, A::Izquierda, false, false},
                  {"Ventas", "Ventas", F::Importe, 10, A::Derecha, true, true},
                  {"Pagos", "Pagos", F::Importe, 10, A::Derecha, true, true},
                  {"Saldo", "Actual", F::Importe, 10, A::Derecha, false, false}};
    return d;
}

// The rows as given are the printed order; each run of one code is a group, named "<code> SA".
std::shared_ptr<motor::DatosReporte> Datos(const std::vector<Fila>& filas) {
    auto r = std::make_shared<motor::DatosReporte>();
    motor::TablaDatos& t = r->tabla;
    using T = motor::TipoDato;
    t.columnas = {motor::ColumnaDatos("Cliente"),
                  motor::ColumnaDatos("Fecha", T::Fecha),
                  motor::ColumnaDatos("Ventas", T::Numero),
                  motor::ColumnaDatos("Pagos", T::Numero),
                  motor::ColumnaDatos("Anterior", T::Numero),
                  motor::ColumnaDatos("Actual", T::Numero)};
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const Fila& f = filas[i];
        const bool nuevo = i == 0 || QString::fromUtf8(filas[i - 1].cliente) != f.cliente;
        t.columnas[0].Agrega(QString::fromUtf8(f.cliente));
        t.columnas[1].Agrega(QString::fromUtf8(f.fecha));
        t.columnas[2].Agrega(f.ventas);
        t.columnas[3].Agrega(f.pagos);
        t.columnas[4].Agrega(nuevo ? f.final - f.ventas + f.pagos : t.columnas[5].Numero(i - 1));
        t.columnas[5].Agrega(f.final);
        r->orden.push_back(i);
        if (nuevo)
            r->grupos.push_back({QString::fromUtf8(f.cliente),
                                 QString::fromUtf8(f.cliente) + QStringLiteral(" SA"), i, i});
        r->grupos.back().hasta = i + 1;
    }
    t.filas = filas.size();
    r->lugares = motor::UbicaCampos(t, Diseno());
    return r;
}

struct CasoAntiguedad {
    const char* nombre;
    std::vector<Fila> filas;
    std::array<std::int64_t, motor::NumeroTramos> centavos; // 0-30, 31-60, 61-90, >90, before
    const char* sinTramos;
};

class Antiguedad : public ::testing::TestWithParam<CasoAntiguedad> {};

TEST_P(Antiguedad, TramosQueSumanElSaldoImpreso) {
    const CasoAntiguedad& c = GetParam();
    const auto datos = Datos(c.filas);
    const motor::Cuentas cuentas = motor::CalculaCuentas(*datos, Diseno(), QDate(2026, 11, 30));
    ASSERT_EQ(cuentas.grupos.size(), 1u);
    const motor::Antiguedad& a = cuentas.grupos[0].antiguedad;
    EXPECT_EQ(a.centavos, c.centavos);
    EXPECT_EQ(a.sinTramos, QString::fromUtf8(c.sinTramos));
}

INSTANTIATE_TEST_SUITE_P(
    Nucleo, Antiguedad,
    ::testing::Values(
        // 30 days old is the first bucket, 31 the second; 60/61 and 90/91 likewise.
        CasoAntiguedad{"limites",
                       {{"A", "2026-08-31", 1, 0, 1},
                        {"A", "2026-09-01", 2, 0, 3},
                        {"A", "2026-09-30", 4, 0, 7},
                        {"A", "2026-10-01", 8, 0, 15},
                        {"A", "2026-10-30", 16, 0, 31},
                        {"A", "2026-10-31", 32, 0, 63}},
                       {3200, 2400, 600, 100, 0},
                       ""},
        CasoAntiguedad{"masDe90", {{"A", "2026-08-30", 5, 0, 5}}, {0, 0, 0, 500, 0}, ""},
        // A sale after the day counted is not yet due: 0 days.
        CasoAntiguedad{"posterior", {{"A", "2026-12-05", 10, 0, 10}}, {1000, 0, 0, 0, 0}, ""},
        // Payments settle the oldest sale first; the last one taken in part.
        CasoAntiguedad{"pagoALaMasVieja",
                       {{"A", "2026-07-01", 100, 0, 100},
                        {"A", "2026-11-20", 50, 0, 150},
                        {"A", "2026-11-25", 0, 30, 120},
                        {"A", "2026-11-26", -5, 0, 115}},
                       {5000, 0, 0, 6500, 0},
                       ""},
        // The opening balance is older than any sale of the period.
        CasoAntiguedad{"anterior",
                       {{"A", "2026-11-02", 25, 0, 525}, {"A", "2026-11-03", 0, 25, 500}},
                       {2500, 0, 0, 0, 47500},
                       ""},
        CasoAntiguedad{"aFavor", {{"A", "2026-11-02", 0, 30, -20}}, {}, "Saldo a favor"},
        CasoAntiguedad{"cero", {{"A", "2026-11-02", 0, 30, 0}}, {}, "Sin saldo"},
        // Prints as 0.00: no balance to age.
        CasoAntiguedad{
            "centavoRedondeado", {{"A", "2026-11-02", 0.004, 0, 0.004}}, {}, "Sin saldo"},
        // 10.0025 + 45.555 + 144.837 = 200.3945, printed 200.39: the cent the three cuts lose
        // goes to the bucket that lost most (>90, .7 of a cent).
        CasoAntiguedad{"centavoDeRedondeo",
                       {{"A", "2026-08-01", 144.837, 0, 144.837},
                        {"A", "2026-10-05", 45.555, 0, 190.392},
                        {"A", "2026-11-10", 10.0025, 0, 200.3945}},
                       {1000, 4555, 0, 14484, 0},
                       ""}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Nucleo, RedondeoDeTramos) {
    struct Caso {
        std::array<double, 5> tramos;
        std::int64_t saldo;
        std::array<std::int64_t, 5> esperado;
    };
    const Caso casos[] = {
        {{1.005, 2.005, 0, 0, 0}, 301, {100, 201, 0, 0, 0}},       // a tie goes to the older
        {{0.334, 0.333, 0.333, 0, 0}, 100, {34, 33, 33, 0, 0}},    // .4 lost most
        {{0.3333, 0.3333, 0.3334, 0, 0}, 100, {33, 33, 34, 0, 0}}, // .34 lost most
        {{1, 2, 3, 4, 5}, 1500, {100, 200, 300, 400, 500}},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(motor::RedondeaTramos(c.tramos, c.saldo), c.esperado) << c.saldo;
}

// A file in a folder that the user may not write: the writer says so and touches nothing. Run
// as "nobody", since root may write anywhere.
TEST(Nucleo, EscrituraSinPermisoNoTocaElArchivo) {
    QTemporaryDir raiz;
    ASSERT_TRUE(QFile::setPermissions(raiz.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
    const QString ruta = raiz.filePath(QStringLiteral("reporte.pdf"));
    prueba::EscribeArchivo(ruta, "el reporte de ayer\n");
    const QStringList antes = QDir(raiz.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const QString programa = QStringLiteral(QUILTARO_ESCRIBE_SEGURO);
    QProcess proceso;
    if (::geteuid() == 0)
        proceso.start(QStringLiteral("setpriv"),
                      {"--reuid=nobody", "--regid=nogroup", "--clear-groups", programa, ruta});
    else
        proceso.start(programa, {ruta});
    ASSERT_TRUE(proceso.waitForFinished(30000));
    const QString error = QString::fromUtf8(proceso.readAllStandardError());
    EXPECT_EQ(proceso.exitCode(), 1) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Error no. %1").arg(motor::errores::ErrorSalida)) &&
                error.contains(ruta) && error.contains(QStringLiteral("no hay permiso")))
        << error.toStdString();
    EXPECT_EQ(prueba::LeeArchivo(ruta), "el reporte de ayer\n");
    EXPECT_EQ(QDir(raiz.path()).entryList(QDir::AllEntries | QDir::Hidden), antes);
}

TEST(Nucleo, NombresDeArchivoSeguros) {
    const std::pair<QString, QString> casos[] = {
        {"C001 - Ferretería Fina de Doña Inés", "C001 - Ferretería Fina de Doña Inés"},
        {"A/B:C*D?E\"F<G>H|I\\J", "A_B_C_D_E_F_G_H_I_J"},
        {QStringLiteral("tab\there"), "tab_here"},
        {"Fin con punto. ", "Fin con punto"},
        {" ...", "_"},
        {"CON", "CON_"},
        {"com1", "com1_"},
        {"Lpt9.txt", "Lpt9.txt_"},
        {"CONSTRUCTORA", "CONSTRUCTORA"},
        {QString(300, QLatin1Char('x')), QString(150, QLatin1Char('x'))},
    };
    for (const auto& [texto, esperado] : casos)
        EXPECT_EQ(motor::NombreSeguro(texto), esperado) << texto.toStdString();

    auto datos = Datos({{"X/1", "2026-11-01", 1, 0, 1},
                        {"X:1", "2026-11-01", 1, 0, 1},
                        {"x_1", "2026-11-01", 1, 0, 1},
                        {"C3 ", "2026-11-01", 1, 0, 1}});
    datos->grupos[0].nombre = QStringLiteral("Ana");
    datos->grupos[1].nombre = QStringLiteral("ANA");
    datos->grupos[2].nombre = QStringLiteral("ana");
    datos->grupos[3].nombre = QString();
    EXPECT_EQ(motor::NombresEstados(*datos),
              (QStringList{"X_1 - Ana.pdf", "X_1 - ANA (2).pdf", "x_1 - ana (3).pdf", "C3.pdf"}));
}

// Two customers: the report's pages and one statement, page by page, text by text.
TEST(Nucleo, PaginasDelReporteYDeUnEstado) {
    const auto datos = Datos({{"A1", "2026-11-02", 10, 0, 10},
                              {"A1", "2026-11-03", 0, 4, 6},
                              {"B2", "2026-09-01", 7.5, 0, 17.5}});
    const motor::Diseno d = Diseno();
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, d, QDate(2026, 11, 30)));
    const QDateTime impreso(QDate(2026, 12, 1), QTime(9, 30));
    auto textos = [](const motor::Pagina& p) {
        QStringList t;
        for (const motor::TextoPagina& x : p.textos)
            t << x.texto;
        return t;
    };
    const motor::Documento reporte = motor::Renderiza(datos, cuentas, d, impreso, {});
    ASSERT_EQ(reporte.NumeroPaginas(), 1u);
    EXPECT_EQ(textos(reporte.HazPagina(0)), (QStringList{"Movimientos",
                                                         "Impreso el 01/12/2026 a las 09:30",
                                                         "Fecha",
                                                         "Ventas",
                                                         "Pagos",
                                                         "Saldo",
                                                         "Cliente A1 · A1 SA",
                                                         "Saldo inicial: 0.00",
                                                         "02/11/2026",
                                                         "10.00",
                                                         "10.00",
                                                         "03/11/2026",
                                                         "4.00",
                                                         "6.00",
                                                         "Totales de A1 (2 movimientos)",
                                                         "10.00",
                                                         "4.00",
                                                         "6.00",
                                                         "Saldo final:",
                                                         "Cliente B2 · B2 SA",
                                                         "Saldo inicial: 10.00",
                                                         "01/09/2026",
                                                         "7.50",
                                                         "17.50",
                                                         "Totales de B2 (1 movimiento)",
                                                         "7.50",
                                                         "0.00",
                                                         "17.50",
                                                         "Saldo final:",
                                                         "Total general: 2 clientes, 3 movimientos",
                                                         "17.50",
                                                         "4.00",
                                                         "23.50",
                                                         "Suma de los saldos finales:",
                                                         "Quiltaro · Movimientos",
                                                         "Página 1 de 1"}));

    const motor::ReporteHecho hecho{datos, cuentas, d, {QDate(2026, 9, 1), QDate(), QString()}};
    const motor::Documento estado = motor::EstadoDeCuenta(hecho, 1, impreso);
    ASSERT_EQ(estado.NumeroPaginas(), 1u);
    EXPECT_EQ(estado.titulo, QStringLiteral("Estado de cuenta"));
    EXPECT_EQ(textos(estado.HazPagina(0)), (QStringList{"Estado de cuenta",
                                                        "Impreso el 01/12/2026 a las 09:30",
                                                        "Del 01/09/2026 en adelante",
                                                        "Fecha",
                                                        "Ventas",
                                                        "Pagos",
                                                        "Saldo",
                                                        "Cliente B2 · B2 SA",
                                                        "Saldo inicial: 10.00",
                                                        "01/09/2026",
                                                        "7.50",
                                                        "17.50",
                                                        "Totales de B2 (1 movimiento)",
                                                        "7.50",
                                                        "0.00",
                                                        "17.50",
                                                        "Saldo final:",
                                                        "Antigüedad del saldo",
                                                        "0 a 30 días",
                                                        "0.00",
                                                        "31 a 60 días",
                                                        "0.00",
                                                        "61 a 90 días",
                                                        "7.50",
                                                        "Más de 90 días",
                                                        "0.00",
                                                        "Anterior al periodo",
                                                        "10.00",
                                                        "Quiltaro · Estado de cuenta",
                                                        "Página 1 de 1"}));
}

// A statement whose ageing box does not fit under the closing balance: the box goes on the next
// page under the customer's heading.
TEST(Nucleo, LaAntiguedadEnOtraPaginaRepiteElEncabezadoDelCliente) {
    std::vector<Fila> filas;
    for (int i = 0; i < 45; ++i)
        filas.push_back({"A1", "2026-11-02", 1, 0, double(i + 1)});
    const auto datos = Datos(filas);
    const motor::Diseno d = Diseno();
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, d, QDate(2026, 11, 30)));
    const motor::ReporteHecho hecho{datos, cuentas, d, {QDate(2026, 9, 1), QDate(), QString()}};
    const motor::Documento estado =
        motor::EstadoDeCuenta(hecho, 0, QDateTime(QDate(2026, 12, 1), QTime(9, 30)));
    ASSERT_EQ(estado.NumeroPaginas(), 2u);
    QStringList segunda;
    for (const motor::TextoPagina& x : estado.HazPagina(1).textos)
        segunda << x.texto;
    EXPECT_EQ(segunda.mid(7, 3), (QStringList{"Cliente A1 · A1 SA (continúa)", "Saldo final: 45.00",
                                              "Antigüedad del saldo"}))
        << segunda.join(QLatin1Char('|')).toStdString();
}

// The summary sheet and the statements' index as CSV text.
TEST(Nucleo, ResumenEIndiceEnCsv) {
    const auto datos = Datos({{"A1", "2026-11-02", 10, 0, 10},
                              {"A1", "2026-11-03", 0, 4, 6},
                              {"B,2", "2026-09-01", 7.5, 0, 17.5}});
    const motor::Diseno d = Diseno();
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, d, QDate(2026, 11, 30)));
    QTemporaryDir dir;
    const QString resumen = dir.filePath(QStringLiteral("resumen.csv"));
    motor::EscribeCsv(motor::Hojas(datos, cuentas, d)[1], resumen);
    EXPECT_EQ(prueba::LeeArchivo(resumen),
              QByteArray("\xEF\xBB\xBF"
                         "Cliente,Nombre,Saldo inicial,Ventas,Pagos,Saldo final,0 a 30 días,"
                         "31 a 60 días,61 a 90 días,Más de 90 días,Anterior al periodo\r\n"
                         "A1,A1 SA,0,10,4,6,6,0,0,0,0\r\n"
                         "\"B,2\",\"B,2 SA\",10,7.5,0,17.5,0,0,7.5,0,10\r\n"));

    const motor::ReporteHecho hecho{datos, cuentas, d, {}};
    const QString indice = dir.filePath(QStringLiteral("indice.csv"));
    motor::EscribeCsv(motor::IndiceEstados(hecho, motor::NombresEstados(*datos), {1}), indice);
    EXPECT_EQ(prueba::LeeArchivo(indice),
              QByteArray("\xEF\xBB\xBF"
                         "Cliente,Nombre,Archivo,Saldo inicial,Ventas,Pagos,Saldo final,"
                         "0 a 30 días,31 a 60 días,61 a 90 días,Más de 90 días,"
                         "Anterior al periodo\r\n"
                         "\"B,2\",\"B,2 SA\",\"B,2 - B,2 SA.pdf\",10,7.5,0,17.5,0,0,7.5,0,10\r\n"));

    // The customers the sending lists: the same balances, each one's oldest bucket, its file.
    const auto clientes = correo::ClientesDelReporte(hecho);
    ASSERT_EQ(clientes.size(), 2u);
    EXPECT_EQ(
        std::tuple(clientes[0].clave, clientes[0].saldo, clientes[0].tramo,
                   clientes[0].importeTramo, clientes[0].archivo),
        std::tuple(QString("A1"), 6.0, QString("0 a 30 días"), 6.0, QString("A1 - A1 SA.pdf")));
    EXPECT_EQ(std::tuple(clientes[1].clave, clientes[1].saldo, clientes[1].tramo,
                         clientes[1].importeTramo, clientes[1].archivo),
              std::tuple(QString("B,2"), 17.5, QString("Anterior al periodo"), 10.0,
                         QString("B,2 - B,2 SA.pdf")));
    const auto estados = correo::EstadosPorEnviar(clientes, dir.path(), {});
    EXPECT_EQ(estados[1].archivo, dir.filePath("B,2 - B,2 SA.pdf"));
    EXPECT_FALSE(estados[1].correos.Tiene());
}

// A short report's PDF (one writer) and a long one's (two halves, joined): every page in its
// place and each font once; cancelled, the older file stays byte for byte.
struct CasoPdf {
    const char* nombre;
    int clientes;            // 40 movements each
    std::size_t cancelaTras; // pages done when the answer is no; 0 for never
};
class Pdf : public ::testing::TestWithParam<CasoPdf> {};

TEST_P(Pdf, EnteroOCanceladoSinTocarElAnterior) {
    const CasoPdf& caso = GetParam();
    std::vector<std::string> claves;
    for (int c = 0; c < caso.clientes; ++c)
        claves.push_back(QStringLiteral("C%1").arg(c, 3, 10, QLatin1Char('0')).toStdString());
    std::vector<Fila> filas;
    for (const std::string& c : claves) {
        for (int i = 0; i < 40; ++i)
            filas.push_back({c.c_str(), "2026-11-02", 10, 0, 10.0 * (i + 1)});
    }
    const auto datos = Datos(filas);
    const motor::Diseno d = Diseno();
    const motor::Documento doc =
        motor::Renderiza(datos,
                         std::make_shared<const motor::Cuentas>(
                             motor::CalculaCuentas(*datos, d, QDate(2026, 11, 30))),
                         d, QDateTime::currentDateTime(), {});
    const std::size_t n = doc.NumeroPaginas();
    QTemporaryDir dir;
    const QString ruta = dir.filePath(QStringLiteral("reporte.pdf"));
    const QByteArray anterior("%PDF-1.4 el anterior\n");
    prueba::EscribeArchivo(ruta, anterior);
    std::size_t ultima = 0;
    auto avance = [&](std::size_t hechas, std::size_t total) {
        EXPECT_EQ(total, n);
        EXPECT_LE(hechas, total);
        ultima = hechas;
        return caso.cancelaTras == 0 || hechas < caso.cancelaTras;
    };
    const QStringList solo{QStringLiteral("reporte.pdf")};
    if (caso.cancelaTras > 0) {
        try {
            motor::EscribePdf(doc, ruta, avance);
            FAIL() << "not cancelled";
        } catch (const motor::ErrorMotor& e) {
            EXPECT_EQ(e.numero(), motor::errores::Cancelado) << e.texto().toStdString();
        }
        EXPECT_EQ(prueba::LeeArchivo(ruta), anterior);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), solo);
        return;
    }
    motor::EscribePdf(doc, ruta, avance);
    EXPECT_EQ(ultima, n);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), solo);
    prueba::Ejecuta(QStringLiteral("qpdf"), {QStringLiteral("--check"), ruta});
    QStringList fuentes = prueba::Ejecuta(QStringLiteral("pdffonts"), {ruta})
                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                              .mid(2);
    for (QString& f : fuentes)
        f = f.section(QLatin1Char(' '), 0, 0);
    fuentes.sort();
    EXPECT_EQ(fuentes, (QStringList{"DejaVuSans", "DejaVuSans-Bold"}));
    // Every page and every customer once, in order.
    const QString texto = prueba::TextoPdf(ruta);
    qsizetype donde = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        donde = texto.indexOf(QStringLiteral("Página %1 de %2").arg(i).arg(n), donde);
        ASSERT_GE(donde, 0) << "page " << i;
    }
    donde = 0;
    for (const std::string& c : claves) {
        donde = texto.indexOf(QStringLiteral("Totales de %1 (40").arg(c.c_str()), donde);
        ASSERT_GE(donde, 0) << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Escritura, Pdf,
                         ::testing::Values(CasoPdf{"Corto", 3, 0}, CasoPdf{"Largo", 150, 0},
                                           CasoPdf{"CortoCancelado", 3, 1},
                                           CasoPdf{"LargoCancelado", 150, 16}),
                         [](const auto& i) { return std::string(i.param.nombre); });

class Corrida : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<Fila> filas;
        for (const char* c : {"C1", "C2", "C3", "C4", "C5"})
            filas.push_back({c, "2026-11-02", 10, 0, 10});
        const auto datos = Datos(filas);
        hecho_ = {datos,
                  std::make_shared<const motor::Cuentas>(
                      motor::CalculaCuentas(*datos, Diseno(), QDate(2026, 11, 30))),
                  Diseno(),
                  {}};
        ASSERT_TRUE(dir_.isValid());
    }
    // The files in the folder, and that each PDF is whole.
    QStringList Archivos() const {
        const QStringList a = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString& n : a) {
            if (!n.endsWith(QLatin1String(".pdf")))
                continue;
            const QByteArray b = prueba::LeeArchivo(dir_.filePath(n));
            EXPECT_TRUE(b.startsWith("%PDF") && b.trimmed().endsWith("%%EOF")) << n.toStdString();
        }
        return a;
    }
    QStringList Indice() const {
        QStringList l =
            QString::fromUtf8(
                prueba::LeeArchivo(dir_.filePath(QStringLiteral("Estados de cuenta.csv"))))
                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QStringList claves;
        for (const QString& x : l.mid(1))
            claves << x.section(QLatin1Char(','), 0, 0);
        return claves;
    }
    motor::ReporteHecho hecho_;
    QTemporaryDir dir_;
};

TEST_F(Corrida, CancelarDejaLosTerminadosEnteros) {
    const std::size_t hechos = motor::EscribeEstados(
        hecho_, dir_.path(), QDateTime::currentDateTime(),
        [](std::size_t n, std::size_t) { return n < 2; }, 1);
    // The one under way when the answer came is finished too.
    ASSERT_GE(hechos, 2u);
    ASSERT_LE(hechos, 3u);
    QStringList esperados{"C1 - C1 SA.pdf", "C2 - C2 SA.pdf", "C3 - C3 SA.pdf"};
    esperados = esperados.mid(0, qsizetype(hechos));
    QStringList claves{"C1", "C2", "C3"};
    claves = claves.mid(0, qsizetype(hechos));
    EXPECT_EQ(Archivos(), esperados + QStringList{"Estados de cuenta.csv"});
    EXPECT_EQ(Indice(), claves);
}

TEST_F(Corrida, UnArchivoQueNoSePuedeEscribirDetieneLaCorrida) {
    // A folder where the third statement goes.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("C3 - C3 SA.pdf")));
    try {
        motor::EscribeEstados(hecho_, dir_.path(), QDateTime::currentDateTime(), {}, 1);
        FAIL() << "no failure";
    } catch (const motor::ErrorMotor& e) {
        EXPECT_EQ(e.numero(), motor::errores::ErrorSalida);
        EXPECT_TRUE(e.texto().contains(QStringLiteral("C3 - C3 SA.pdf")))
            << e.texto().toStdString();
    }
    EXPECT_EQ(Archivos(),
              (QStringList{"C1 - C1 SA.pdf", "C2 - C2 SA.pdf", "Estados de cuenta.csv"}));
    EXPECT_EQ(Indice(), (QStringList{"C1", "C2"}));
}

TEST_F(Corrida, EnVariosHilosCadaEstadoUnaVez) {
    EXPECT_EQ(motor::EscribeEstados(hecho_, dir_.path(), QDateTime::currentDateTime(), {}, 3), 5u);
    EXPECT_EQ(Archivos().size(), 6);
    EXPECT_EQ(Indice(), (QStringList{"C1", "C2", "C3", "C4", "C5"}));
}

} // namespace
