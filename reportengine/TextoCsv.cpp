// The CSV writer: rows go as UTF-8 straight into pieces of bytes, made on two threads while this
// one writes the pieces already made, in order. No text of a row is made on the way; a sheet
// that can make its lines from its data skips its cells as well.
#include "reportengine/ArchivoSeguro.h"
#include "reportengine/Exportacion.h"
#include "reportengine/PiezaCsv.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace motor {

namespace {

// The rows of a piece, also those between two progress calls.
constexpr std::size_t PasoAvance = 2048;
// Pieces made ahead of the writing: the memory the writer holds.
constexpr std::size_t Ranuras = 6;
constexpr std::size_t Hacedores = 2;
// Bytes written between two syncs made beside the writing: the sync at the end then waits only
// for the last of them.
constexpr qint64 TramoAlDisco = qint64(8) << 20;

void Linea(const Hoja& h, std::size_t fila, PiezaCsv& p) {
    for (std::size_t c = 0; c < h.columnas.size(); ++c) {
        if (c > 0)
            p.Coma();
        if (h.columnas[c].tipo == TipoCelda::Numero) {
            p.Numero(h.celda(fila, c).numero);
        } else {
            p.Campo(QStringView(h.celda(fila, c).texto));
        }
    }
    p.FinLinea();
}

void Encabezados(const Hoja& h, PiezaCsv& p) {
    p.Agrega("\xEF\xBB\xBF");
    for (std::size_t c = 0; c < h.columnas.size(); ++c) {
        if (c > 0)
            p.Coma();
        p.Campo(QStringView(h.columnas[c].titulo));
    }
    p.FinLinea();
}

void Filas(const Hoja& h, std::size_t desde, std::size_t hasta, PiezaCsv& pieza) {
    if (h.lineasCsv) {
        h.lineasCsv(desde, hasta, pieza);
        return;
    }
    for (std::size_t f = desde; f < hasta; ++f)
        Linea(h, f, pieza);
}

// The pieces of a sheet, PasoAvance rows each, made by two threads into a ring of Ranuras;
// Toma hands them over in order. A piece is made only once the one Ranuras before it is
// written, so memory stays the same however long the sheet.
class Taller {
public:
    explicit Taller(const Hoja& hoja)
        : hoja_(hoja), piezas_((hoja.filas + PasoAvance - 1) / PasoAvance) {
        for (std::size_t i = 0; i < std::min(Hacedores, piezas_); ++i)
            hilos_.emplace_back([this] { Hace(); });
    }
    ~Taller() {
        {
            const std::lock_guard<std::mutex> l(m_);
            parar_ = true;
        }
        cambio_.notify_all();
        for (std::thread& h : hilos_)
            h.join();
    }
    Taller(const Taller&) = delete;
    Taller& operator=(const Taller&) = delete;

    std::size_t piezas() const { return piezas_; }

    // Piece k, once made; a failure while making it ends the work here.
    const PiezaCsv& Toma(std::size_t k) {
        std::unique_lock<std::mutex> l(m_);
        cambio_.wait(l, [&] { return hechas_[k % Ranuras] == k + 1 || fallo_; });
        if (fallo_)
            std::rethrow_exception(fallo_);
        return ranuras_[k % Ranuras];
    }
    // Piece k is written: its place may take another.
    void Suelta(std::size_t k) {
        {
            const std::lock_guard<std::mutex> l(m_);
            escritas_ = k + 1;
        }
        cambio_.notify_all();
    }

private:
    void Hace() {
        try {
            for (;;) {
                std::size_t k = 0;
                {
                    std::unique_lock<std::mutex> l(m_);
                    cambio_.wait(l, [&] {
                        return parar_ || siguiente_ >= piezas_ || siguiente_ < escritas_ + Ranuras;
                    });
                    if (parar_ || siguiente_ >= piezas_)
                        return;
                    k = siguiente_++;
                }
                PiezaCsv& pieza = ranuras_[k % Ranuras];
                pieza.Vacia();
                const std::size_t desde = k * PasoAvance;
                Filas(hoja_, desde, std::min(hoja_.filas, desde + PasoAvance), pieza);
                {
                    const std::lock_guard<std::mutex> l(m_);
                    hechas_[k % Ranuras] = k + 1;
                }
                cambio_.notify_all();
            }
        } catch (...) {
            {
                const std::lock_guard<std::mutex> l(m_);
                if (!fallo_)
                    fallo_ = std::current_exception();
                parar_ = true;
            }
            cambio_.notify_all();
        }
    }

    const Hoja& hoja_;
    const std::size_t piezas_;
    std::array<PiezaCsv, Ranuras> ranuras_;
    std::array<std::size_t, Ranuras> hechas_{}; // one past the number of the piece held
    std::mutex m_;
    std::condition_variable cambio_;
    std::size_t siguiente_ = 0; // the next piece to make
    std::size_t escritas_ = 0;  // pieces written
    bool parar_ = false;
    std::exception_ptr fallo_;
    std::vector<std::thread> hilos_;
};

class Escritura {
public:
    Escritura(const Hoja& hoja, ArchivoSeguro& archivo, const AvanceSalida& avance)
        : hoja_(hoja), archivo_(archivo), avance_(avance) {}

    void Escribe() {
        PiezaCsv encabezados;
        Encabezados(hoja_, encabezados);
        Vacia(encabezados);
        if (hoja_.filas == 0)
            Avanza(0);
        Taller taller(hoja_);
        for (std::size_t k = 0; k < taller.piezas(); ++k) {
            Vacia(taller.Toma(k));
            taller.Suelta(k);
            Avanza(std::min(hoja_.filas, (k + 1) * PasoAvance));
        }
        archivo_.Confirma();
    }

private:
    void Vacia(const PiezaCsv& pieza) {
        const auto largo = qint64(pieza.largo());
        // A failed write ends the work now; the safe writer knows why.
        if (largo > 0 && archivo_.Dispositivo().write(pieza.datos(), largo) != largo)
            archivo_.Confirma();
        sinAdelantar_ += largo;
        if (sinAdelantar_ >= TramoAlDisco) {
            archivo_.Adelanta();
            sinAdelantar_ = 0;
        }
    }
    void Avanza(std::size_t hechas) {
        if (avance_ && !avance_(hechas, hoja_.filas))
            throw ErrorMotor(errores::Cancelado,
                             QStringLiteral("Se canceló la escritura de «%1»; el archivo anterior "
                                            "quedó como estaba.")
                                 .arg(QDir::toNativeSeparators(archivo_.ruta())));
    }

    const Hoja& hoja_;
    ArchivoSeguro& archivo_;
    const AvanceSalida& avance_;
    qint64 sinAdelantar_ = 0;
};

} // namespace

QString CampoCsv(const QString& texto) {
    if (!PideComillas(QStringView(texto)))
        return texto;
    QString t = texto;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString NumeroCsv(double valor) {
    char texto[LargoNumeroCsv];
    return QString::fromLatin1(texto, TextoNumeroCsv(valor, texto) - texto);
}

void EscribeCsv(const Hoja& h, const QString& ruta, const AvanceSalida& avance) {
    ArchivoSeguro archivo(ruta);
    Escritura(h, archivo, avance).Escribe();
}

} // namespace motor
