// Printing as the print dialog sets the printer up: the pages of the range, the current page,
// copies, and the paper and orientation chosen, each page scaled to fit it. The printer is
// QPrinter's own PDF output, and a real CUPS queue of a private CUPS server; what comes out is
// read back with pdfinfo (page sizes) and pdftotext (what each page holds, and where).
#include "ApoyoMotor.h"
#include "reportengine/ErroresMotor.h"
#include "reportview/Impresion.h"
#include "tests/support/EntornoPrueba.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageRanges>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A report of 14 Letter landscape pages; each page names itself at its top left and bottom right
// corners, where a page that does not fit its paper is cut first.
motor::Documento Catorce() {
    motor::Documento d;
    d.titulo = QStringLiteral("Prueba");
    d.carta = true;
    d.horizontal = true;
    d.tamano = QSizeF(792, 612);
    d.margen = 18;
    std::vector<motor::Pagina> paginas;
    for (int i = 1; i <= 14; ++i) {
        motor::Pagina p;
        const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        p.textos.push_back({QPointF(36, 50), QStringLiteral("Hoja-") + n, motor::Estilo::Titulo});
        p.textos.push_back(
            {QPointF(792 - 36 - 50, 612 - 36), QStringLiteral("Fin-") + n, motor::Estilo::Pie});
        paginas.push_back(std::move(p));
    }
    d.fuente = std::make_shared<const motor::PaginasHechas>(std::move(paginas));
    return d;
}

struct Caso {
    const char* nombre;
    QPageSize::PageSizeId papel;
    QPageLayout::Orientation orientacion;
    QPrinter::PrintRange rango;
    const char* paginas; // the dialog's page range field
    int actual;          // the page on screen, from 0
    int copias;
    bool intercaladas;
    std::vector<int> impresas; // pages from 1, in printed order
    const char* tamano;        // as pdfinfo gives it
};

class Impresion : public ::testing::TestWithParam<Caso> {};

// One printed page: its size and the words on it with their boxes.
struct Hoja {
    double ancho = 0, alto = 0;
    QStringList palabras;
    bool dentro = true; // every word inside the page
};

std::vector<Hoja> LeeHojas(const QString& pdf) {
    const QString html = prueba::Ejecuta(QStringLiteral("pdftotext"),
                                         {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    std::vector<Hoja> hojas;
    const QRegularExpression pagina(
        QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    const QRegularExpression palabra(
        QStringLiteral("<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
                       "yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    for (const QString& linea : html.split(QLatin1Char('\n'))) {
        if (const auto m = pagina.match(linea); m.hasMatch()) {
            hojas.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), {}, true});
        } else if (const auto w = palabra.match(linea); w.hasMatch() && !hojas.empty()) {
            Hoja& h = hojas.back();
            h.palabras << w.captured(5);
            h.dentro = h.dentro && w.captured(1).toDouble() >= 0 && w.captured(2).toDouble() >= 0 &&
                       w.captured(3).toDouble() <= h.ancho && w.captured(4).toDouble() <= h.alto;
        }
    }
    return hojas;
}

TEST_P(Impresion, ImprimeLoQueElDialogoPide) {
    const Caso& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("impreso.pdf"));
    const motor::Documento d = Catorce();
    QPrinter impresora(QPrinter::HighResolution);
    motor::PreparaImpresora(d, impresora);
    // The report's own paper is where the dialog opens.
    EXPECT_EQ(impresora.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(impresora.pageLayout().orientation(), QPageLayout::Landscape);
    // What the dialog sets when the user chooses.
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(pdf);
    impresora.setPageSize(QPageSize(c.papel));
    impresora.setPageOrientation(c.orientacion);
    impresora.setPrintRange(c.rango);
    if (c.rango == QPrinter::PageRange)
        impresora.setPageRanges(QPageRanges::fromString(QString::fromUtf8(c.paginas)));
    impresora.setCopyCount(c.copias);
    impresora.setCollateCopies(c.intercaladas);
    motor::Imprime(d, impresora, c.actual);

    const std::vector<Hoja> hojas = LeeHojas(pdf);
    std::vector<int> impresas;
    for (const Hoja& h : hojas) {
        const QStringList cabeza = h.palabras.filter(QStringLiteral("Hoja-"));
        impresas.push_back(cabeza.isEmpty() ? 0 : cabeza.front().mid(5).toInt());
        // Nothing cut: both corners' words are on the page, inside it.
        const QString n = cabeza.isEmpty() ? QString() : cabeza.front().mid(5);
        EXPECT_TRUE(h.palabras.contains(QStringLiteral("Fin-") + n))
            << h.palabras.join(' ').toStdString();
        EXPECT_TRUE(h.dentro) << n.toStdString();
    }
    EXPECT_EQ(impresas, c.impresas);
    const QString info = prueba::Ejecuta(QStringLiteral("pdfinfo"),
                                         {QStringLiteral("-f"), QStringLiteral("1"),
                                          QStringLiteral("-l"), QStringLiteral("99"), pdf});
    const QStringList tamanos =
        info.split(QLatin1Char('\n'))
            .filter(QRegularExpression(QStringLiteral("^Page +\\d+ size:")));
    ASSERT_EQ(tamanos.size(), qsizetype(c.impresas.size())) << info.toStdString();
    for (const QString& t : tamanos)
        EXPECT_TRUE(t.endsWith(QString::fromUtf8(c.tamano))) << t.toStdString();
}

constexpr auto Carta = QPageSize::Letter;
constexpr auto A4 = QPageSize::A4;
constexpr auto Horizontal = QPageLayout::Landscape;
constexpr auto Vertical = QPageLayout::Portrait;
constexpr auto Rango = QPrinter::PageRange;
const char* const CartaH = "792 x 612 pts (letter)";

INSTANTIATE_TEST_SUITE_P(
    Dialogo, Impresion,
    ::testing::Values(
        Caso{"todas",
             Carta,
             Horizontal,
             QPrinter::AllPages,
             "",
             0,
             1,
             true,
             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
             CartaH},
        Caso{"paginas2a3", Carta, Horizontal, Rango, "2-3", 0, 1, true, {2, 3}, CartaH},
        Caso{"paginas1y4a5", Carta, Horizontal, Rango, "1,4-5", 0, 1, true, {1, 4, 5}, CartaH},
        Caso{"rangoMasAllaDelFinal",
             Carta,
             Horizontal,
             Rango,
             "13-20",
             0,
             1,
             true,
             {13, 14},
             CartaH},
        Caso{"paginaEnPantalla",
             Carta,
             Horizontal,
             QPrinter::CurrentPage,
             "",
             6,
             1,
             true,
             {7},
             CartaH},
        Caso{
            "a4Horizontal", A4, Horizontal, Rango, "2-3", 0, 1, true, {2, 3}, "842 x 595 pts (A4)"},
        Caso{"a4Vertical", A4, Vertical, Rango, "14", 0, 1, true, {14}, "595 x 842 pts (A4)"},
        Caso{"cartaVertical",
             Carta,
             Vertical,
             Rango,
             "1",
             0,
             1,
             true,
             {1},
             "612 x 792 pts (letter)"},
        Caso{"dosCopiasIntercaladas",
             Carta,
             Horizontal,
             Rango,
             "2-3",
             0,
             2,
             true,
             {2, 3, 2, 3},
             CartaH},
        Caso{"dosCopiasSinIntercalar",
             Carta,
             Horizontal,
             Rango,
             "2-3",
             0,
             2,
             false,
             {2, 2, 3, 3},
             CartaH}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Impresion, RangoSinPaginasDelReporteEsErrorDeSalida) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const motor::Documento d = Catorce();
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(dir.filePath(QStringLiteral("nada.pdf")));
    impresora.setPrintRange(QPrinter::PageRange);
    impresora.setPageRanges(QPageRanges::fromString(QStringLiteral("20-30")));
    EXPECT_THROW(motor::Imprime(d, impresora), motor::ErrorMotor);
}

// A CUPS server of the test's own (its folder and socket, never the system's service) with one
// queue, "Prueba", that writes each job to a PDF file after CUPS's own filters (page sizes,
// copies). Clients of this process reach it through CUPS_SERVER.
class ServidorCups {
public:
    ServidorCups() {
        if (!dir_.isValid())
            throw std::runtime_error("no temporary folder for CUPS");
        // The filters run as another user: they must reach the spool and the output.
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                               QFileDevice::ExeGroup);
        for (const char* carpeta : {"etc", "spool", "tmp", "cache", "state", "log", "out"})
            QDir(dir_.path()).mkdir(QString::fromLatin1(carpeta));
        for (const char* carpeta : {"tmp", "out"})
            QFile::setPermissions(dir_.filePath(QString::fromLatin1(carpeta)),
                                  QFileDevice::Permissions(0x7777));
        const QString d = dir_.path();
        prueba::EscribeArchivo(d + QStringLiteral("/etc/cupsd.conf"),
                               QStringLiteral("Listen %1\nLogLevel info\nDefaultAuthType None\n"
                                              "WebInterface No\nBrowsing No\n"
                                              "<Location />\n  Order allow,deny\n  Allow all\n"
                                              "</Location>\n<Policy default>\n  <Limit All>\n"
                                              "    Order deny,allow\n  </Limit>\n</Policy>\n")
                                   .arg(socket())
                                   .toUtf8());
        prueba::EscribeArchivo(
            d + QStringLiteral("/etc/cups-files.conf"),
            QStringLiteral("FileDevice Yes\nServerRoot %1/etc\nRequestRoot %1/spool\n"
                           "TempDir %1/tmp\nCacheDir %1/cache\nStateDir %1/state\n"
                           "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                           "PageLog %1/log/page_log\n")
                .arg(d)
                .toUtf8());
        // A PostScript-less PDF printer: CUPS's pdftopdf makes the copies and fits the media.
        prueba::EscribeArchivo(
            d + QStringLiteral("/prueba.ppd"),
            QByteArrayLiteral(
                "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
                "*PCFileName: \"PRUEBA.PPD\"\n*Manufacturer: \"Quiltaro\"\n"
                "*Product: \"(Prueba)\"\n*ModelName: \"Prueba PDF\"\n"
                "*ShortNickName: \"Prueba PDF\"\n*NickName: \"Prueba PDF\"\n"
                "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
                "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
                "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
                "*cupsManualCopies: True\n"
                "*OpenUI *PageSize/Media Size: PickOne\n"
                "*OrderDependency: 10 AnySetup *PageSize\n*DefaultPageSize: Letter\n"
                "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
                "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n"
                "*OrderDependency: 10 AnySetup *PageRegion\n*DefaultPageRegion: Letter\n"
                "*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
                "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                "*CloseUI: *PageRegion\n*DefaultImageableArea: Letter\n"
                "*ImageableArea Letter/US Letter: \"12 12 600 780\"\n"
                "*ImageableArea A4/A4: \"12 12 583 830\"\n*DefaultPaperDimension: Letter\n"
                "*PaperDimension Letter/US Letter: \"612 792\"\n"
                "*PaperDimension A4/A4: \"595 842\"\n"));
        qputenv("CUPS_SERVER", QFile::encodeName(socket()));
        cupsd_.setProcessChannelMode(QProcess::ForwardedChannels);
        cupsd_.start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"),
                      d + QStringLiteral("/etc/cupsd.conf"), QStringLiteral("-s"),
                      d + QStringLiteral("/etc/cups-files.conf")});
        if (!cupsd_.waitForStarted(10000))
            throw std::runtime_error("cupsd does not start (Debian package cups)");
        const QDeadlineTimer limite(30000);
        while (!QFileInfo::exists(socket())) {
            if (limite.hasExpired() || cupsd_.state() != QProcess::Running)
                throw std::runtime_error("cupsd does not listen on its socket");
            QThread::msleep(20);
        }
        prueba::Ejecuta(QStringLiteral("lpadmin"),
                        {QStringLiteral("-p"), QStringLiteral("Prueba"), QStringLiteral("-E"),
                         QStringLiteral("-v"), QStringLiteral("file://") + salida(),
                         QStringLiteral("-P"), d + QStringLiteral("/prueba.ppd")});
    }
    ~ServidorCups() {
        cupsd_.terminate();
        cupsd_.waitForFinished(30000);
        qunsetenv("CUPS_SERVER");
    }
    ServidorCups(const ServidorCups&) = delete;
    ServidorCups& operator=(const ServidorCups&) = delete;

    QString socket() const { return dir_.filePath(QStringLiteral("cups.sock")); }
    QString salida() const { return dir_.filePath(QStringLiteral("out/impreso.pdf")); }
    // Jobs the queue has finished.
    int terminados() const {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"),
                     {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o")});
        lpstat.waitForFinished(30000);
        return int(QString::fromUtf8(lpstat.readAllStandardOutput())
                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                       .size());
    }

private:
    QTemporaryDir dir_;
    QProcess cupsd_;
};

// Pages 2-3 of 14, two copies, on A4: the program prints the two pages once and CUPS makes the
// copies, on A4 with nothing cut.
TEST(ImpresionCups, DosPaginasDosCopiasEnA4) {
    ServidorCups cups;
    const QPrinterInfo info = QPrinterInfo::printerInfo(QStringLiteral("Prueba"));
    ASSERT_FALSE(info.isNull());
    const motor::Documento d = Catorce();
    QPrinter impresora(info, QPrinter::HighResolution);
    motor::PreparaImpresora(d, impresora);
    EXPECT_EQ(impresora.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(impresora.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(impresora.supportsMultipleCopies());
    impresora.setPageSize(QPageSize(QPageSize::A4));
    impresora.setPageOrientation(QPageLayout::Portrait);
    impresora.setPrintRange(QPrinter::PageRange);
    impresora.setPageRanges(QPageRanges::fromString(QStringLiteral("2-3")));
    impresora.setCopyCount(2);
    impresora.setCollateCopies(true);
    motor::Imprime(d, impresora);
    QTRY_COMPARE_WITH_TIMEOUT(cups.terminados(), 1, 60000);

    const std::vector<Hoja> hojas = LeeHojas(cups.salida());
    std::vector<int> impresas;
    for (const Hoja& h : hojas) {
        const QStringList cabeza = h.palabras.filter(QStringLiteral("Hoja-"));
        const QString n = cabeza.isEmpty() ? QString() : cabeza.front().mid(5);
        impresas.push_back(n.toInt());
        EXPECT_TRUE(h.palabras.contains(QStringLiteral("Fin-") + n))
            << h.palabras.join(' ').toStdString();
        EXPECT_TRUE(h.dentro) << n.toStdString();
    }
    EXPECT_EQ(impresas, (std::vector<int>{2, 3, 2, 3}));
    const QString pdfinfo = prueba::Ejecuta(
        QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                    QStringLiteral("99"), cups.salida()});
    const QStringList tamanos =
        pdfinfo.split(QLatin1Char('\n'))
            .filter(QRegularExpression(QStringLiteral("^Page +\\d+ size:")));
    ASSERT_EQ(tamanos.size(), 4) << pdfinfo.toStdString();
    for (const QString& t : tamanos)
        EXPECT_TRUE(t.endsWith(QStringLiteral("595 x 842 pts (A4)"))) << t.toStdString();
}

} // namespace
