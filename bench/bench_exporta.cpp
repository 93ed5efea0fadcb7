// The exports against their floors, in one run: the workbook against libxlsxwriter alone
// writing the same cells in the same mode (piso_xlsx), and the CSV against a plain write (and
// sync, as every saved file gets) of the same bytes. Each side runs twice; the faster counts.
// The CSV is written from the engine's own "Movimientos" sheet over its compact table, holding
// the same rows.
//
//   bench_exporta [ROWS [xlsx|csv]]      default 1,000,000 rows, both
#include "FilasExporta.h"
#include "bench/Medidas.h"
#include "reportengine/Cuentas.h"
#include "reportengine/Exportacion.h"
#include "reportengine/PiezaCsv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The movements sheet as the engine hands it over: cells made on request from shared texts.
motor::Hoja Movimientos(std::size_t n) {
    struct Textos {
        std::vector<QString> codigos, nombres, fechas, horas, tipos, folios;
    };
    auto t = std::make_shared<Textos>();
    for (std::size_t c = 0; c < filas::Clientes; ++c) {
        t->codigos.push_back(QString::fromStdString(filas::Codigo(c)));
        t->nombres.push_back(QString::fromStdString(filas::Nombre(c)));
    }
    for (std::size_t d = 0; d < filas::Dias; ++d)
        t->fechas.push_back(QString::fromStdString(filas::TextoFecha(d)));
    for (std::size_t h = 0; h < filas::Horas; ++h)
        t->horas.push_back(QString::fromStdString(filas::TextoHora(h)));
    for (const char* tipo : filas::Tipos)
        t->tipos.push_back(QString::fromUtf8(tipo));
    t->folios.reserve(n);
    for (std::size_t f = 0; f < n; ++f)
        t->folios.push_back(QString::fromStdString(filas::Folio(f)));

    motor::Hoja h;
    h.nombre = QStringLiteral("Movimientos");
    for (std::size_t c = 0; c < filas::Columnas; ++c) {
        const motor::TipoCelda tipo = c >= filas::PrimerNumero   ? motor::TipoCelda::Numero
                                      : c == filas::ColumnaFecha ? motor::TipoCelda::Fecha
                                                                 : motor::TipoCelda::Texto;
        h.columnas.push_back({QString::fromUtf8(filas::Titulos[c]), tipo});
    }
    h.filas = n;
    h.celda = [t, n](std::size_t f, std::size_t c) -> motor::Celda {
        switch (c) {
        case 0:
            return {t->codigos[filas::Cliente(f, n)], 0};
        case 1:
            return {t->nombres[filas::Cliente(f, n)], 0};
        case 2:
            return {t->fechas[filas::Dia(f)], 0};
        case 3:
            return {t->horas[filas::Hora(f)], 0};
        case 4:
            return {t->tipos[filas::Tipo(f)], 0};
        case 5:
            return {t->folios[f], 0};
        default:
            return {{}, filas::Numero(f, c)};
        }
    };
    return h;
}

// The same rows as the engine holds them: a compact table in print order, a group per
// customer, and the sheet the engine makes of them.
motor::Hoja MovimientosDelMotor(std::size_t n) {
    auto datos = std::make_shared<motor::DatosReporte>();
    motor::TablaDatos& t = datos->tabla;
    using T = motor::TipoDato;
    const char* campos[] = {"Fecha",        "Hora",  "Movimiento",    "Folio",      "Ventas",
                            "Devoluciones", "Pagos", "SaldoAnterior", "SaldoActual"};
    for (std::size_t c = 0; c < 9; ++c) {
        const T tipo = c == 0 ? T::Fecha : c == 1 ? T::Hora : c < 4 ? T::Texto : T::Numero;
        t.columnas.emplace_back(QString::fromUtf8(campos[c]), tipo);
    }
    for (std::size_t f = 0; f < n; ++f) {
        t.columnas[0].Agrega(QString::fromStdString(filas::TextoFecha(filas::Dia(f))));
        t.columnas[1].Agrega(QString::fromStdString(filas::TextoHora(filas::Hora(f))));
        t.columnas[2].Agrega(QString::fromUtf8(filas::Tipos[filas::Tipo(f)]));
        t.columnas[3].Agrega(QString::fromStdString(filas::Folio(f)));
        for (std::size_t c = filas::PrimerNumero; c < filas::Columnas; ++c)
            t.columnas[c - 2].Agrega(filas::Numero(f, c));
        datos->orden.push_back(f);
        const std::size_t cliente = filas::Cliente(f, n);
        if (datos->grupos.empty() || filas::Cliente(f - 1, n) != cliente)
            datos->grupos.push_back({QString::fromStdString(filas::Codigo(cliente)),
                                     QString::fromStdString(filas::Nombre(cliente)), f, f});
        datos->grupos.back().hasta = f + 1;
    }
    t.filas = n;

    motor::Diseno d;
    d.etiquetaGrupo = QString::fromUtf8(filas::Titulos[0]);
    for (std::size_t c = 2; c < filas::Columnas; ++c) {
        using F = motor::FormatoCampo;
        const F formato = c == filas::ColumnaFecha  ? F::Fecha
                          : c == 3                  ? F::Hora
                          : c < filas::PrimerNumero ? F::Texto
                                                    : F::Importe;
        d.columnas.push_back(
            {QString::fromUtf8(filas::Titulos[c]), QString::fromUtf8(campos[c - 2]), formato});
        datos->lugares.columnas.push_back(int(c - 2));
    }
    auto cuentas = std::make_shared<motor::Cuentas>();
    cuentas->conTotal.assign(d.columnas.size(), false);
    return motor::Hojas(datos, cuentas, d)[0];
}

// Wall and CPU time of one write, in ms.
struct Medida {
    long long reloj = -1, cpu = -1;
};
template <typename F> Medida Mide(F&& f) {
    QElapsedTimer reloj;
    reloj.start();
    const long long cpu = banco::CpuMs();
    f();
    return {reloj.elapsed(), banco::CpuMs() - cpu};
}
// The faster of two runs.
void Mejor(Medida& m, const Medida& otra) {
    if (m.reloj < 0 || otra.reloj < m.reloj)
        m = otra;
}

// One write of ours, timed, with the time its last progress call came (every row out, before
// the closing: zip, sync, rename), printed as run "vuelta" of "que".
template <typename F> Medida Corrida(const char* que, int vuelta, const char* cierre, F&& escribe) {
    QElapsedTimer reloj;
    qint64 filasHechas = 0;
    const motor::AvanceSalida avance = [&](std::size_t hechas, std::size_t total) {
        if (hechas == total)
            filasHechas = reloj.elapsed();
        return true;
    };
    reloj.start();
    const Medida m = Mide([&] { escribe(avance); });
    std::printf("%s run %d: rows %lld ms, then closing (%s) %lld ms\n", que, vuelta + 1,
                filasHechas, cierre, m.reloj - filasHechas);
    return m;
}

Medida Piso(const QString& ruta, std::size_t n) {
    QProcess p;
    p.start(QStringLiteral(QUILTARO_PISO_XLSX), {ruta, QString::number(n)});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "piso_xlsx failed: %s\n", p.readAllStandardError().constData());
        std::exit(1);
    }
    const QList<QByteArray> t = p.readAllStandardOutput().trimmed().split(' ');
    return {t.value(0).toLongLong(), t.value(1).toLongLong()};
}

// The same bytes to a new file with plain write(2) in 1 MiB blocks, then synced.
void EscrituraPlana(const QByteArray& bytes, const QString& ruta) {
    const int d = ::open(QFile::encodeName(ruta).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (d < 0)
        std::exit(1);
    for (qsizetype i = 0; i < bytes.size(); i += 1 << 20) {
        const auto largo = std::size_t(std::min<qsizetype>(1 << 20, bytes.size() - i));
        if (::write(d, bytes.constData() + i, largo) != ssize_t(largo))
            std::exit(1);
    }
    ::fsync(d);
    ::close(d);
}

void Imprime(const char* que, const Medida& nuestra, const Medida& piso) {
    std::printf("%s: ours %lld ms (CPU %lld ms), floor %lld ms (CPU %lld ms), ratio %.2f (goal "
                "<= 1.3)\n",
                que, nuestra.reloj, nuestra.cpu, piso.reloj, piso.cpu,
                piso.reloj > 0 ? double(nuestra.reloj) / double(piso.reloj) : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const std::size_t n = argc > 1 ? std::size_t(std::atol(argv[1])) : 1000000;
    const std::string solo = argc > 2 ? argv[2] : "";
    QTemporaryDir dir;
    const std::vector<motor::Hoja> hojas{Movimientos(n)};
    std::printf("rows %zu, cells %zu\n", n, n * filas::Columnas);

    // Where the time goes before any writing: only asking for every cell.
    std::size_t largo = 0;
    const Medida celdas = Mide([&] {
        for (std::size_t f = 0; f < n; ++f) {
            for (std::size_t c = 0; c < filas::Columnas; ++c)
                largo += std::size_t(hojas[0].celda(f, c).texto.size());
        }
    });
    std::printf("asking for every cell alone: %lld ms (%zu characters)\n", celdas.reloj, largo);

    if (solo != "csv") {
        const QString xlsx = dir.filePath(QStringLiteral("nuestro.xlsx"));
        const QString piso = dir.filePath(QStringLiteral("piso.xlsx"));
        Medida nuestra, suya;
        long long pico = 0;
        for (int vuelta = 0; vuelta < 2; ++vuelta) {
            Mejor(suya, Piso(piso, n));
            banco::ReiniciaPico();
            const long long base = banco::PicoKb();
            Mejor(nuestra, Corrida("workbook", vuelta, "zip, sync, rename",
                                   [&](const auto& a) { motor::EscribeXlsx(hojas, xlsx, a); }));
            pico = std::max(pico, banco::PicoKb() - base);
            if (vuelta == 0)
                std::printf("workbook %.1f MB, floor's %.1f MB\n", double(QFile(xlsx).size()) / 1e6,
                            double(QFile(piso).size()) / 1e6);
            QFile::remove(xlsx);
            QFile::remove(piso);
        }
        Imprime("workbook (floor: libxlsxwriter alone, constant memory, file synced)", nuestra,
                suya);
        std::printf("peak memory of our workbook write, above what the process held: %.1f MB\n",
                    double(pico) / 1024.0);
    }

    if (solo != "xlsx") {
        const motor::Hoja movimientos = MovimientosDelMotor(n);
        // Where the CSV's time goes before any writing: its text alone, on one thread.
        {
            motor::PiezaCsv pieza;
            const Medida texto = Mide([&] {
                for (std::size_t f = 0; f < n; f += 2048) {
                    pieza.Vacia();
                    movimientos.lineasCsv(f, std::min(n, f + 2048), pieza);
                }
            });
            std::printf("the CSV's text alone, one thread: %lld ms\n", texto.cpu);
        }
        const QString csv = dir.filePath(QStringLiteral("nuestro.csv"));
        const QString plano = dir.filePath(QStringLiteral("plano.csv"));
        Medida nuestra, suya;
        QByteArray bytes;
        for (int vuelta = 0; vuelta < 2; ++vuelta) {
            Mejor(nuestra, Corrida("CSV", vuelta, "sync, rename",
                                   [&](const auto& a) { motor::EscribeCsv(movimientos, csv, a); }));
            if (bytes.isEmpty()) {
                QFile f(csv);
                if (!f.open(QIODevice::ReadOnly))
                    return 1;
                bytes = f.readAll();
            }
            QFile::remove(csv);
            Mejor(suya, Mide([&] { EscrituraPlana(bytes, plano); }));
            QFile::remove(plano);
        }
        std::printf("CSV %.1f MB\n", double(bytes.size()) / 1e6);
        Imprime("CSV (floor: write(2) and fsync of the same bytes)", nuestra, suya);
    }
    return 0;
}
