// The movement builder's benchmark: for each size, the fast build, the row-by-row reference
// (up to 100,000 movements) and the server's own floor (the four INSERT ... SELECT of the
// sources straight into tmpravesta, no balances), side by side in one run, where the build's
// time goes, the customer lookup's latency per keystroke, and at the end the targets.
//
//   bench_movimientos SERVER_ENV MOVEMENTS:CUSTOMERS [MOVEMENTS:CUSTOMERS ...]
#include "demo/datos/DatosHost.h"
#include "host/BasesDD.h"
#include "host/Error.h"
#include "host/Recordset.h"
#include "movements/Movimientos.h"
#include "movements/Tablas.h"
#include "tests/movements/Referencia.h"
#include "tests/support/ServidorPrueba.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using movimientos::Solicitud;

const Solicitud kTodos{"__/__/____", "__/__/____", ""};

// The CPU seconds (user and system) the private server has used so far, read from /proc by the
// pid file beside its server.env; -1 when it cannot be read. On a loaded machine they vary far
// less than the clock, so they are printed beside it.
double CpuServidor(const QString& archivoPid) {
    QFile pid(archivoPid);
    if (!pid.open(QIODevice::ReadOnly))
        return -1;
    QFile stat("/proc/" + QString::fromLatin1(pid.readAll().trimmed()) + "/stat");
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QByteArray texto = stat.readAll();
    const QList<QByteArray> campos = texto.mid(texto.lastIndexOf(')') + 2).split(' ');
    if (campos.size() < 13)
        return -1;
    return (campos[11].toDouble() + campos[12].toDouble()) / sysconf(_SC_CLK_TCK);
}

struct Banco {
    prueba::DatosServidor servidor;
    QString pidServidor;
    QString base;
    qm::libQMCM libQMCM;
    qm::BasesDD BasesDD;
    qm::Utilerias Utilerias;

    qm::Conexion Conecta() const { return prueba::Conecta(servidor, base); }
    movimientos::ObjetosBuilder objetos() const { return {libQMCM, BasesDD, Utilerias}; }
};

double Segundos(const std::function<void()>& trabajo) {
    QElapsedTimer reloj;
    reloj.start();
    trabajo();
    return reloj.nsecsElapsed() / 1e9;
}

// Runs one build in a child process, so that its peak memory is the build's own.
// Gives the seconds and the peak resident size in MB.
std::pair<double, double> EnHijo(const std::function<void()>& trabajo) {
    int tubo[2];
    if (pipe(tubo) != 0)
        throw qm::Error(qm::errores::AccesoArchivo, "pipe");
    const pid_t hijo = fork();
    if (hijo == 0) {
        close(tubo[0]);
        double resultado[2] = {-1, 0};
        try {
            resultado[0] = Segundos(trabajo);
        } catch (const qm::Error& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.texto()));
        }
        rusage uso{};
        getrusage(RUSAGE_SELF, &uso);
        resultado[1] = uso.ru_maxrss / 1024.0;
        if (write(tubo[1], resultado, sizeof resultado) != sizeof resultado)
            _exit(2);
        _exit(0);
    }
    close(tubo[1]);
    double resultado[2] = {-1, 0};
    const ssize_t leidos = read(tubo[0], resultado, sizeof resultado);
    close(tubo[0]);
    waitpid(hijo, nullptr, 0);
    if (leidos != sizeof resultado || resultado[0] < 0)
        throw qm::Error(qm::errores::ArgumentoInvalido, "the build failed in the child");
    return {resultado[0], resultado[1]};
}

// The server's own floor: the same four copies straight into tmpravesta, no balances.
double Piso(qm::Conexion& cn, const movimientos::Fuentes& f) {
    cn.Execute("Truncate table " + movimientos::TablaTrabajo());
    return Segundos([&] {
        for (const QString& sentencia :
             movimientos::CopiasDeFuentes(f, movimientos::TablaTrabajo()))
            cn.Execute(sentencia);
    });
}

// Where a build's time goes: the seconds from each kind of statement being sent to the next
// statement (or the end), summed by the statement's first words, on the clock and in the
// server's CPU.
class Pasos {
public:
    Pasos(qm::Conexion& cn, QString pidServidor) : pid_(std::move(pidServidor)) {
        reloj_.start();
        cn.PonObservador([this](const QString& sql) { Marca(sql.simplified().left(28)); });
    }
    void Imprime() {
        Marca(QString());
        std::printf("  steps (wall s / server cpu s):");
        for (const Paso& p : pasos_)
            if (p.segundos >= 0.005)
                std::printf(" [%s] %.3f/%.2f", qPrintable(p.nombre), p.segundos, p.cpu);
        std::printf("\n");
    }

private:
    struct Paso {
        QString nombre;
        double segundos = 0, cpu = 0;
    };
    void Marca(const QString& nombre) {
        const double ahora = reloj_.nsecsElapsed() / 1e9;
        const double cpu = CpuServidor(pid_);
        if (!actual_.isEmpty()) {
            auto it = std::find_if(pasos_.begin(), pasos_.end(),
                                   [&](const Paso& p) { return p.nombre == actual_; });
            if (it == pasos_.end())
                pasos_.push_back({actual_}), it = pasos_.end() - 1;
            it->segundos += ahora - desde_;
            it->cpu += cpu - cpuDesde_;
        }
        actual_ = nombre;
        desde_ = ahora;
        cpuDesde_ = cpu;
    }
    QString pid_;
    QElapsedTimer reloj_;
    QString actual_;
    double desde_ = 0, cpuDesde_ = 0;
    std::vector<Paso> pasos_;
};

void Latencia(Banco& b, const QStringList& claves) {
    qm::Conexion cn = b.Conecta();
    std::vector<double> tiempos;
    for (int i = 0; i < 1000; ++i) {
        const QString codigo = claves[i % claves.size()].left(1 + i % 5);
        qm::Recordset rs;
        tiempos.push_back(Segundos([&] {
            b.BasesDD.AbrirTabla(rs, cn, "clientes where Clave='" + cn.Escapa(codigo) + "'",
                                 "Nombre");
        }));
    }
    std::sort(tiempos.begin(), tiempos.end());
    std::printf("lookup per keystroke: median %.0f us, p99 %.0f us (1000 lookups)\n",
                tiempos[500] * 1e6, tiempos[990] * 1e6);
}

// What one size gave, for the targets at the end.
struct Medida {
    int movimientos = 0;
    double rapido = 0, piso = 0, referencia = -1, pico = 0, unCliente = 0;
    double cpuRapido = 0, cpuPiso = 0; // the server's CPU seconds, best of two
};

Medida MideTamano(Banco& b, int movimientos, int clientes) {
    qm::Conexion cn = b.Conecta();
    const demo::ResumenDatos r = demo::GeneraDatos(cn, demo::OpcionesBanco(movimientos, clientes));
    QString cSQL;
    movimientos::PreparaTablas(b.BasesDD, cn, cn, cSQL);

    Medida m;
    m.movimientos = movimientos;
    for (const bool uno : {false, true}) {
        const Solicitud s = uno ? Solicitud{"__/__/____", "__/__/____", r.claves.value(1)} : kTodos;
        // Best of two, the build and the floor taking turns, so that a burst of load on a
        // shared machine spoils neither alone.
        double rapido = 1e9, piso = 1e9, pico = 0, cpuRapido = 1e9, cpuPiso = 1e9;
        for (int vuelta = 0; vuelta < 2; ++vuelta) {
            double cpu = CpuServidor(b.pidServidor);
            const auto [segundos, picoHijo] = EnHijo([&] {
                qm::Conexion hijo = b.Conecta();
                Pasos pasos(hijo, b.pidServidor);
                QString sql;
                movimientos::GeneraMovimientos(b.objetos(), hijo, sql, s);
                pasos.Imprime();
                std::fflush(stdout);
            });
            cpuRapido = std::min(cpuRapido, CpuServidor(b.pidServidor) - cpu);
            rapido = std::min(rapido, segundos);
            pico = std::max(pico, picoHijo);
            const movimientos::Fuentes fuentes = movimientos::ArmaFuentes(s, b.objetos(), cn);
            cpu = CpuServidor(b.pidServidor);
            piso = std::min(piso, Piso(cn, fuentes));
            cpuPiso = std::min(cpuPiso, CpuServidor(b.pidServidor) - cpu);
        }
        double referencia = -1;
        if (movimientos <= 100000)
            referencia = Segundos([&] {
                QString sql;
                prueba::GeneraMovimientosReferencia(b.objetos(), cn, sql, s);
            });
        const long long filas = cn.Consulta("SELECT COUNT(*) FROM " + movimientos::TablaTrabajo())
                                    .Valor(0)
                                    .toLongLong();
        std::printf("%s: %lld rows collected\n", uno ? "one customer" : "all customers", filas);
        std::printf("bench movements=%d customers=%d%s fast_s=%.3f", movimientos, clientes,
                    uno ? " one_customer=1" : "", rapido);
        if (referencia >= 0)
            std::printf(" reference_s=%.3f", referencia);
        std::printf(" floor_s=%.3f fast/floor=%.2f", piso, rapido / std::max(piso, 1e-6));
        if (referencia >= 0)
            std::printf(" reference/fast=%.1f", referencia / std::max(rapido, 1e-6));
        std::printf(" peak_mb=%.1f server_cpu_fast_s=%.2f server_cpu_floor_s=%.2f", pico, cpuRapido,
                    cpuPiso);
        // A few clock ticks make no ratio.
        if (cpuPiso >= 0.1)
            std::printf(" cpu_fast/floor=%.2f", cpuRapido / cpuPiso);
        std::printf("\n");
        std::fflush(stdout);
        if (uno) {
            m.unCliente = rapido;
        } else {
            m.rapido = rapido;
            m.piso = piso;
            m.cpuRapido = cpuRapido;
            m.cpuPiso = cpuPiso;
            m.referencia = referencia;
            m.pico = pico;
        }
    }
    Latencia(b, r.claves);
    return m;
}

// The goals of the builder, with what this run measured.
void Metas(const std::vector<Medida>& medidas) {
    std::printf("targets:\n");
    for (const Medida& m : medidas) {
        if (m.movimientos == 1000000) {
            std::printf("  1,000,000 movements, all customers: build/floor %.2f (%.2f s / %.2f s; "
                        "target <= 1.5)\n",
                        m.rapido / m.piso, m.rapido, m.piso);
            std::printf(
                "  1,000,000 movements, all customers: server CPU build/floor %.2f (%.2f s / "
                "%.2f s)\n",
                m.cpuRapido / m.cpuPiso, m.cpuRapido, m.cpuPiso);
            std::printf("  1,000,000 movements: peak memory %.1f MB (target <= 300)\n", m.pico);
            std::printf("  1,000,000 movements: one customer %.3f s (target < 0.1)\n", m.unCliente);
        }
        if (m.movimientos == 100000 && m.referencia >= 0)
            std::printf("  100,000 movements, all customers: reference/fast %.1f (%.2f s / %.2f s; "
                        "target >= 25)\n",
                        m.referencia / m.rapido, m.referencia, m.rapido);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SERVER_ENV MOVEMENTS:CUSTOMERS ...\n", argv[0]);
        return 2;
    }
    try {
        Banco b;
        std::vector<Medida> medidas;
        b.servidor = prueba::LeeDatosServidor(QString::fromLocal8Bit(argv[1]));
        b.pidServidor =
            QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteDir().filePath("mysqld.pid");
        for (int i = 2; i < argc; ++i) {
            const QStringList partes = QString::fromLocal8Bit(argv[i]).split(':');
            const int movimientos = partes.value(0).toInt();
            const int clientes = partes.value(1, "1000").toInt();
            b.base = QStringLiteral("bench_%1_%2").arg(movimientos).arg(clientes);
            {
                qm::Conexion cn = prueba::Conecta(b.servidor);
                cn.Execute("DROP DATABASE IF EXISTS " + b.base);
                cn.Execute("CREATE DATABASE " + b.base + " CHARACTER SET utf8mb4");
            }
            medidas.push_back(MideTamano(b, movimientos, clientes));
            prueba::Conecta(b.servidor).Execute("DROP DATABASE IF EXISTS " + b.base);
        }
        Metas(medidas);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
