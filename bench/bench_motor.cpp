// The report engine's benchmark: 100,000 movements (1,000 customers) sorted, laid out and
// written to a PDF, each stage timed; then every customer's statement written to a folder,
// against the single PDF in time and against the preview in peak memory; and the peak memory
// of the whole path, to be read beside a run at another size.
//
//   bench_motor [MOVEMENTS] [PDF] [pdf]    a third argument "pdf" leaves the statements out
#include "bench/Medidas.h"
#include "reportengine/Cuentas.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/Pintor.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Salida.h"
#include "reportengine/TextoDiseno.h"
#include "tests/support/FilasMotor.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication aplicacion(argc, argv);
    const std::size_t n = argc > 1 ? std::size_t(std::atol(argv[1])) : 100000;
    const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                 : QDir::tempPath() + QStringLiteral("/bench_motor.pdf");
    QFile fuente(QStringLiteral(QUILTARO_SOURCE_DIR "/templates/quiltaro.rpt.txt"));
    if (!fuente.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no template source\n");
        return 1;
    }
    const motor::Plantilla plantilla = motor::LeeFuente(QString::fromUtf8(fuente.readAll()));

    prueba::FilasMotor filas = prueba::FilasDeBanco(n, plantilla.diseno);

    QElapsedTimer reloj;
    reloj.start();
    auto datos = std::make_shared<const motor::DatosReporte>(
        motor::OrdenaYAgrupa(std::move(filas.tabla), plantilla.diseno, filas.clases));
    const qint64 ordena = reloj.restart();
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, plantilla.diseno, QDate(2024, 12, 31)));
    const qint64 cuenta = reloj.restart();
    const QDateTime impreso = QDateTime::currentDateTime();
    // Reading, sorting and grouping the rows, and the rows held.
    const long long picoDatos = banco::PicoKb();

    // The statements first, so that the report's pages are not yet in memory.
    QTemporaryDir carpeta;
    const motor::ReporteHecho reporte{
        datos, cuentas, plantilla.diseno, {QDate(2024, 1, 1), QDate(2024, 12, 31), QString()}};
    banco::ReiniciaPico();
    const long long base = banco::PicoKb();
    reloj.restart();
    long long cpu = banco::CpuMs();
    const bool soloPdf = argc > 3 && std::strcmp(argv[3], "pdf") == 0;
    const std::size_t estados =
        soloPdf ? 0 : motor::EscribeEstados(reporte, carpeta.path(), impreso);
    const qint64 tiempoEstados = reloj.restart();
    const long long cpuEstados = banco::CpuMs() - cpu;
    const long long picoEstados = banco::PicoKb();
    qint64 bytesEstados = 0;
    for (const QFileInfo& f : QDir(carpeta.path()).entryInfoList(QDir::Files))
        bytesEstados += f.size();

    // The single PDF, its pages held as the preview holds them.
    banco::ReiniciaPico();
    reloj.restart();
    cpu = banco::CpuMs();
    const motor::Documento doc =
        motor::Renderiza(datos, cuentas, plantilla.diseno, impreso, motor::Encargo{});
    const qint64 maqueta = reloj.restart();
    // The preview at 100 % on a screen: the first page, the last and back.
    {
        QImage pantalla(1100, 850, QImage::Format_RGB32);
        for (const std::size_t p : {std::size_t{0}, doc.NumeroPaginas() - 1, std::size_t{0}}) {
            QPainter pintor(&pantalla);
            motor::PintaPagina(pintor, doc.HazPagina(p), 96.0 / 72.0);
        }
    }
    const long long picoVista = banco::PicoKb();
    reloj.restart();
    motor::EscribePdf(doc, pdf);
    const qint64 escribe = reloj.elapsed();
    const long long cpuPdf = banco::CpuMs() - cpu;
    const long long picoPdf = banco::PicoKb();
    std::printf("movements %zu, customers %zu, pages %zu\n", n, datos->grupos.size(),
                doc.NumeroPaginas());
    // The ten-second goal is the default size's.
    std::printf("sort+group %lld ms, layout %lld ms, PDF %lld ms, total %lld ms%s\n", ordena,
                maqueta, escribe, ordena + maqueta + escribe, n == 100000 ? " (goal < 10000)" : "");
    std::printf("PDF %s, %lld bytes\n", qPrintable(pdf), QFile(pdf).size());
    std::printf("totals and ageing %lld ms\n", cuenta);
    if (!soloPdf) {
        std::printf("statements %zu in %lld ms, %lld bytes; single PDF (layout + write) %lld ms; "
                    "ratio %.2f (goal <= 2)\n",
                    estados, tiempoEstados, bytesEstados, maqueta + escribe,
                    double(tiempoEstados) / double(std::max<qint64>(1, maqueta + escribe)));
        std::printf("CPU time (all threads): statements %lld ms, single PDF %lld ms; ratio %.2f\n",
                    cpuEstados, cpuPdf, double(cpuEstados) / double(std::max(1LL, cpuPdf)));
        std::printf("peak memory: data %lld kB; statements %lld kB; preview (pages made when "
                    "drawn) %lld kB; single PDF %lld kB; statements/preview %.2f (goal <= 1)\n",
                    base, picoEstados, picoVista, picoPdf, double(picoEstados) / double(picoVista));
    }
    const long long todo = std::max({picoDatos, picoEstados, picoVista, picoPdf});
    std::printf("engine's peak memory (VmHWM): data held %lld kB, preview paging to the last "
                "page and back %lld kB, PDF %lld kB, statements %lld kB; whole path %.1f MB at "
                "%zu movements (goal: at most 250 MB at 1,000,000, and at most 15 MB more per "
                "100,000 than the run at 100,000)\n",
                picoDatos, picoVista, picoPdf, picoEstados, double(todo) / 1024.0, n);
    return 0;
}
