#include "reportengine/Salida.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"
#include "reportengine/UnionPdf.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace motor {

namespace {

constexpr int Resolucion = 300;
constexpr double Escala = Resolucion / 72.0;
// Fewer pages than this go through one writer: two halves and their joining would cost more.
constexpr std::size_t PaginasParaPartir = 64;
// Pages of this thread between two calls of the caller's progress.
constexpr std::size_t CadaCuanto = 8;

// Qt's PDF writer takes two buffers of 16 MB for every page it compresses, and uses a few dozen
// kilobytes of them. glibc maps and unmaps them each time, or grows and trims its heap for them:
// system calls and page faults that cost about a quarter of the write here. Kept in the heap, they
// are reused; the pages never touched take no memory.
void GuardaMemoriaLibre() {
#ifdef __GLIBC__
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
#endif
}

// Pages [desde, hasta) on one writer; after each, sigue() says whether to go on. With muestrario
// the file starts with a page of sample glyphs (see UnePdf). False when the writer fails to start.
bool EscribeParte(const Documento& d, QIODevice& destino, std::size_t desde, std::size_t hasta,
                  bool muestrario, const std::function<bool()>& sigue) {
    QPdfWriter pdf(&destino);
    pdf.setResolution(Resolucion);
    pdf.setPageLayout(HojaDeDocumento(d));
    pdf.setTitle(d.titulo);
    pdf.setCreator(QStringLiteral("Quiltaro"));
    QPainter pintor;
    if (!pintor.begin(&pdf))
        return false;
    if (muestrario) {
        PintaMuestrario(pintor, Escala);
        pdf.newPage();
    }
    // Preparing the letters costs about as much as shaping the texts of a few pages.
    std::optional<LetrasPreparadas> letras;
    if (hasta - desde >= PaginasParaPartir / 2)
        letras.emplace(pdf, Escala);
    for (std::size_t i = desde; i < hasta; ++i) {
        if (i > desde)
            pdf.newPage();
        PintaPagina(pintor, d.HazPagina(i), Escala, letras ? &*letras : nullptr);
        if (!sigue())
            break;
    }
    return pintor.end();
}

class Escritura {
public:
    Escritura(const Documento& d, const QString& ruta, const AvanceSalida& avance)
        : d_(d), archivo_(ruta), avance_(avance), total_(d.NumeroPaginas()) {}

    void Escribe() {
        if (total_ >= PaginasParaPartir && std::thread::hardware_concurrency() > 1) {
            EnDosMitades();
        } else {
            if (!EscribeParte(d_, archivo_.Dispositivo(), 0, total_, false,
                              [this] { return SigueAqui(); }))
                throw archivo_.Error(QStringLiteral("no se pudo empezar el PDF."));
        }
        if (parar_ || (avance_ && !avance_(total_, total_)))
            throw ErrorMotor(errores::Cancelado,
                             QStringLiteral("No se escribió «%1»: se canceló.")
                                 .arg(QDir::toNativeSeparators(archivo_.ruta())));
        archivo_.Confirma();
    }

private:
    // Counts a page of the calling thread and, now and then, tells the caller.
    bool SigueAqui() {
        const std::size_t propias = ++propias_;
        ++hechas_;
        if (avance_ && propias % CadaCuanto == 0 && !avance_(hechas_, total_))
            parar_ = true;
        return !parar_;
    }
    bool SigueOtro() {
        ++hechas_;
        return !parar_;
    }

    // Both halves at once, each on a core: the first into the target's scratch file, the second
    // into one beside it, whose pages are then added to the first's.
    void EnDosMitades() {
        const std::size_t mitad = total_ / 2;
        QTemporaryFile segunda(QFileInfo(archivo_.RutaTemporal()).absolutePath() +
                               QStringLiteral("/.parte-XXXXXX~"));
        if (!segunda.open())
            throw archivo_.Error(segunda.errorString() + QLatin1Char('.'));
        QIODevice& primera = archivo_.Dispositivo();
        std::exception_ptr fallo;
        bool empezoAqui = true, empezoOtro = true;
        {
            std::jthread otro([&] {
                try {
                    empezoOtro = EscribeParte(d_, segunda, mitad, total_, true,
                                              [this] { return SigueOtro(); });
                } catch (...) {
                    fallo = std::current_exception();
                }
                if (fallo || !empezoOtro)
                    parar_ = true;
            });
            try {
                empezoAqui =
                    EscribeParte(d_, primera, 0, mitad, true, [this] { return SigueAqui(); });
            } catch (...) {
                parar_ = true;
                throw;
            }
        }
        if (fallo)
            std::rethrow_exception(fallo);
        if (!empezoAqui || !empezoOtro)
            throw archivo_.Error(QStringLiteral("no se pudo empezar el PDF."));
        if (parar_)
            return;
        segunda.close();
        auto* archivo = qobject_cast<QFileDevice*>(&primera);
        if (!archivo || !archivo->flush())
            throw archivo_.Error(QStringLiteral("no se pudo escribir el PDF."));
        try {
            UnePdf(archivo_.RutaTemporal(), mitad + 1, primera, segunda.fileName(),
                   total_ - mitad + 1);
        } catch (const std::exception& e) {
            throw archivo_.Error(QString::fromLocal8Bit(e.what()));
        }
    }

    const Documento& d_;
    ArchivoSeguro archivo_;
    const AvanceSalida& avance_;
    const std::size_t total_;
    std::atomic<std::size_t> hechas_{0};
    std::size_t propias_ = 0;
    std::atomic<bool> parar_{false};
};

} // namespace

void EscribePdf(const Documento& d, const QString& ruta, const AvanceSalida& avance) {
    GuardaMemoriaLibre();
    Escritura(d, ruta, avance).Escribe();
}

} // namespace motor
