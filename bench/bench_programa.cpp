// The whole path as a shop walks it, on the real window (offscreen): all customers, blank
// dates, Alt+I, the preview paged to the end and back and zoomed, "Guardar PDF…", printing,
// the workbook, the CSV and the statements, each step timed, with the program's peak memory
// (VmHWM) for the whole path. Each size runs in a process of its own, so that its peak is its
// own. The PDF's peer (ReportLab, same rows on the same pages) runs right after, in the same
// run, on the rows the CSV holds.
//
//   bench_programa SERVER_ENV MOVEMENTS[:CUSTOMERS] ...
//   bench_programa --ventana FOLDER MOVEMENTS      (the child: one size on an installation)
#include "app/frmPrincipal.h"
#include "bench/Medidas.h"
#include "demo/datos/DatosHost.h"
#include "reportview/Impresion.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/support/ServidorPrueba.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// Peak resident memory of this process, in MB.
double PicoMb() {
    return double(banco::PicoKb()) / 1024.0;
}

class SinMensajes final : public qm::PuertoMensajes {
public:
    void Muestra(const qm::Mensaje& m) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.texto));
    }
};

// One step: prints its seconds and the peak so far; gives the seconds.
template <typename F> double Paso(const char* nombre, F&& trabajo) {
    QElapsedTimer reloj;
    reloj.start();
    trabajo();
    const double segundos = reloj.nsecsElapsed() / 1e9;
    std::printf("  %-28s %7.2f s   peak so far %6.0f MB\n", nombre, segundos, PicoMb());
    std::fflush(stdout);
    return segundos;
}

// What the child leaves for the parent: the pages and the PDF's seconds.
QString ArchivoCifras(const QString& carpeta) {
    return carpeta + QStringLiteral("/salida/cifras.txt");
}

// The child: the window on that installation, the whole path, the figures on stdout.
int Ventana(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString runtime = QDir::tempPath() + QStringLiteral("/bench-programa-runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    QApplication aplicacion(argc, argv);
    const QString carpeta = QString::fromLocal8Bit(argv[2]);
    const QString salida = carpeta + QStringLiteral("/salida");
    QDir().mkpath(salida + QStringLiteral("/estados"));
    SinMensajes mensajes;
    motor::MotorReporte* control = nullptr;
    frmPrincipal ventana({carpeta, &mensajes, [](int) {},
                          [&] {
                              auto m = std::make_unique<motor::MotorReporte>();
                              control = m.get();
                              return m;
                          }});
    if (!ventana.Form_Load())
        return 2;
    ventana.show();
    ventana.activateWindow();
    if (!QTest::qWaitForWindowActive(&ventana))
        return 4;
    // Blank dates: the customer's whole history.
    ventana.PonTexto(0, QStringLiteral("__/__/____"));
    ventana.PonTexto(1, QStringLiteral("__/__/____"));
    motor::VistaPrevia* vista = nullptr;
    Paso("Alt+I -> preview", [&] {
        QWidget* foco = QApplication::focusWidget();
        QTest::keyClick(foco ? foco : &ventana, Qt::Key_I, Qt::AltModifier);
        // The mnemonic clicks its button from a timer: wait for the finished preview.
        QElapsedTimer limite;
        limite.start();
        while (!(vista && vista->lista()) && limite.elapsed() < 600000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            vista = control ? control->ultimaVista() : nullptr;
        }
    });
    if (!vista || !vista->lista())
        return 3;
    std::printf("  pages %d\n", vista->paginas());
    Paso("paging to the end and back", [&] {
        vista->IrAPagina(vista->paginas() - 1);
        QCoreApplication::processEvents();
        vista->IrAPagina(0);
        QCoreApplication::processEvents();
    });
    Paso("zoom in, out, fit", [&] {
        vista->Acerca();
        QCoreApplication::processEvents();
        vista->Aleja();
        QCoreApplication::processEvents();
        vista->AjustaAlAncho();
        QCoreApplication::processEvents();
    });
    const double pdf =
        Paso("preview -> PDF", [&] { vista->GuardaPdf(salida + QStringLiteral("/reporte.pdf")); });
    Paso("printing (to a PDF printer)", [&] {
        QPrinter impresora(QPrinter::HighResolution);
        impresora.setOutputFormat(QPrinter::PdfFormat);
        impresora.setOutputFileName(salida + QStringLiteral("/impreso.pdf"));
        motor::PreparaImpresora(control->ultimoDocumento(), impresora);
        motor::Imprime(control->ultimoDocumento(), impresora);
    });
    Paso("workbook", [&] { vista->ExportaXlsx(salida + QStringLiteral("/reporte.xlsx")); });
    Paso("CSV", [&] { vista->ExportaCsv(salida + QStringLiteral("/reporte.csv")); });
    Paso("statements", [&] { vista->EscribeEstados(salida + QStringLiteral("/estados")); });
    std::printf("  peak memory of the whole path %.0f MB (goal <= 250 at 1,000,000)\n", PicoMb());
    QFile cifras(ArchivoCifras(carpeta));
    if (cifras.open(QIODevice::WriteOnly))
        cifras.write(QByteArray::number(vista->paginas()) + ' ' + QByteArray::number(pdf));
    ventana.close();
    return 0;
}

// Lays out an installation of the program on that database with the demo's installer.
void Instala(const QString& carpeta, const prueba::DatosServidor& s, const QString& base) {
    const QString build = QStringLiteral(QUILTARO_BINARY_DIR);
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(build + QStringLiteral("/demo/instalacion/quiltaro_instala_demo"),
            {"--carpeta", carpeta, "--programa", build + "/app/quiltaro", "--plantilla",
             build + "/app/quiltaro.rpt", "--servidor", s.servidor, "--puerto",
             QString::number(s.puerto), "--usuario", s.usuario, "--password", s.password, "--base",
             base});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        throw std::runtime_error("the installer failed");
}

// Runs a child to its end; its exit status.
int Corre(const QString& programa, const QStringList& argumentos) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(programa, argumentos);
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int Banco(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const prueba::DatosServidor servidor =
        prueba::LeeDatosServidor(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const QStringList partes = QString::fromLocal8Bit(argv[i]).split(':');
        const int movimientos = partes.value(0).toInt();
        const int clientes = partes.value(1, QStringLiteral("1000")).toInt();
        const QString base = QStringLiteral("programa_%1").arg(movimientos);
        {
            qm::Conexion cn = prueba::Conecta(servidor);
            cn.Execute("DROP DATABASE IF EXISTS " + base);
            cn.Execute("CREATE DATABASE " + base + " CHARACTER SET utf8mb4");
            qm::Conexion datos = prueba::Conecta(servidor, base);
            demo::GeneraDatos(datos, demo::OpcionesBanco(movimientos, clientes));
        }
        QTemporaryDir raiz;
        const QString carpeta = raiz.path() + QStringLiteral("/instalacion");
        qputenv("ODBCINI", (raiz.path() + QStringLiteral("/odbc.ini")).toLocal8Bit());
        Instala(carpeta, servidor, base);
        std::printf("movements %d, customers %d (all customers, blank dates):\n", movimientos,
                    clientes);
        std::fflush(stdout);
        const int estado =
            Corre(QCoreApplication::applicationFilePath(), {QStringLiteral("--ventana"), carpeta});
        if (estado != 0) {
            std::fprintf(stderr, "the window's run failed (%d)\n", estado);
            return 1;
        }
        // The peer writes the same rows, read from the CSV, on the same number of pages.
        QFile cifras(ArchivoCifras(carpeta));
        const QList<QByteArray> c =
            cifras.open(QIODevice::ReadOnly) ? cifras.readAll().split(' ') : QList<QByteArray>();
        QProcess par;
        par.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(QUILTARO_SOURCE_DIR "/bench/pdf_reportlab.py"),
                   QStringLiteral("--csv"), carpeta + QStringLiteral("/salida/reporte.csv"),
                   QString::fromLatin1(c.value(0)), carpeta + QStringLiteral("/salida/par.pdf")});
        par.waitForFinished(-1);
        const QList<QByteArray> dice = par.readAllStandardOutput().trimmed().split(' ');
        const double suyo = dice.value(dice.size() - 2).toDouble() / 1000.0;
        if (par.exitCode() != 0 || suyo <= 0) {
            std::fprintf(stderr, "the PDF peer failed: %s\n", par.readAllStandardError().data());
            return 1;
        }
        std::printf("  PDF: ours %.2f s, ReportLab %.2f s (same rows, %s pages), ratio %.2f "
                    "(goal <= 0.8)\n",
                    c.value(1).toDouble(), suyo, c.value(0).constData(),
                    c.value(1).toDouble() / suyo);
        std::fflush(stdout);
        prueba::Conecta(servidor).Execute("DROP DATABASE IF EXISTS " + base);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SERVER_ENV MOVEMENTS[:CUSTOMERS] ...\n", argv[0]);
        return 2;
    }
    try {
        if (std::string(argv[1]) == "--ventana")
            return Ventana(argc, argv);
        return Banco(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
