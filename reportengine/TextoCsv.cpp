// The CSV writer: each field goes as UTF-8 straight into a piece of bytes, two pieces made at
// once on two cores; no text of a row or a field is made on the way.
#include "reportengine/ArchivoSeguro.h"
#include "reportengine/Exportacion.h"

#include <QDir>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <future>
#include <vector>

namespace motor {

namespace {

// A piece's room to begin with, and its rows (also those between two progress calls).
constexpr std::size_t Bloque = std::size_t(1) << 20;
constexpr std::size_t PasoAvance = 2048;
// The longest double in plain notation: 309 digits before the point, 324 after it.
constexpr std::size_t LargoNumero = 400;

bool PideComillas(QStringView texto) {
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\n' || u == u'\r')
            return true;
    }
    return false;
}

// Amounts in whole cents are most of a report. While doubles lie closer together than a cent
// (below 10^12), the one text with at most two decimals that reads back as the value is also
// its shortest: the same text to_chars gives, made without its search. nullptr when the value
// is not such an amount.
char* EnCentavos(double valor, char* p) {
    if (valor == 0 || !(std::fabs(valor) < 1e12))
        return nullptr;
    const long long centavos = std::llround(valor * 100);
    // Both sides round the same fraction correctly, so equal means it reads back exactly.
    if (double(centavos) / 100 != valor)
        return nullptr;
    if (centavos < 0)
        *p++ = '-';
    const unsigned long long c = centavos < 0 ? 0ULL - (unsigned long long)centavos : centavos;
    p = std::to_chars(p, p + 24, c / 100).ptr;
    const unsigned fraccion = unsigned(c % 100);
    if (fraccion != 0) {
        *p++ = '.';
        *p++ = char('0' + fraccion / 10);
        if (fraccion % 10 != 0)
            *p++ = char('0' + fraccion % 10);
    }
    return p;
}

// The shortest plain text that reads back as the value, never "1e+05", into p (room for
// LargoNumero); gives its end.
char* TextoNumero(double valor, char* p) {
    if (char* fin = EnCentavos(valor, p))
        return fin;
    return std::to_chars(p, p + LargoNumero, valor, std::chars_format::fixed).ptr;
}

// The text of some rows, as UTF-8 bytes, made apart from the file so that several pieces can
// be made at once.
class Pieza {
public:
    void Campo(QStringView texto) {
        if (PideComillas(texto)) {
            Texto(CampoCsv(texto.toString()));
            return;
        }
        Texto(texto);
    }
    void Numero(double valor) {
        Reserva(LargoNumero);
        lleno_ = std::size_t(TextoNumero(valor, bytes_.data() + lleno_) - bytes_.data());
    }
    template <std::size_t N> void Agrega(const char (&bytes)[N]) {
        Reserva(N - 1);
        std::copy(bytes, bytes + N - 1, bytes_.data() + lleno_);
        lleno_ += N - 1;
    }
    void Vacia() { lleno_ = 0; }
    const char* datos() const { return bytes_.data(); }
    std::size_t largo() const { return lleno_; }

private:
    void Texto(QStringView texto) {
        Reserva(std::size_t(codificador_.requiredSpace(texto.size())));
        char* fin = codificador_.appendToBuffer(bytes_.data() + lleno_, texto);
        lleno_ = std::size_t(fin - bytes_.data());
    }
    void Reserva(std::size_t largo) {
        if (lleno_ + largo > bytes_.size())
            bytes_.resize(std::max(bytes_.size() * 2, lleno_ + largo));
    }

    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<char> bytes_ = std::vector<char>(Bloque);
    std::size_t lleno_ = 0;
};

void Linea(const Hoja& h, std::size_t fila, Pieza& p) {
    for (std::size_t c = 0; c < h.columnas.size(); ++c) {
        if (c > 0)
            p.Agrega(",");
        if (h.columnas[c].tipo == TipoCelda::Numero) {
            p.Numero(h.celda(fila, c).numero);
        } else {
            p.Campo(h.celda(fila, c).texto);
        }
    }
    p.Agrega("\r\n");
}

void Encabezados(const Hoja& h, Pieza& p) {
    p.Agrega("\xEF\xBB\xBF");
    for (std::size_t c = 0; c < h.columnas.size(); ++c) {
        if (c > 0)
            p.Agrega(",");
        p.Campo(h.columnas[c].titulo);
    }
    p.Agrega("\r\n");
}

// Rows in pieces; the two pieces of a round are made at once, one on another thread, then
// written in order.
class Escritura {
public:
    Escritura(const Hoja& hoja, ArchivoSeguro& archivo, const AvanceSalida& avance)
        : hoja_(hoja), archivo_(archivo), avance_(avance) {}

    void Escribe() {
        Encabezados(hoja_, piezas_[0]);
        Vacia(piezas_[0]);
        for (std::size_t desde = 0; desde < hoja_.filas; desde += 2 * PasoAvance) {
            const std::size_t medio = std::min(hoja_.filas, desde + PasoAvance);
            const std::size_t hasta = std::min(hoja_.filas, medio + PasoAvance);
            auto otra = std::async(std::launch::async, [&] { Filas(medio, hasta, piezas_[1]); });
            Filas(desde, medio, piezas_[0]);
            otra.get();
            Vacia(piezas_[0]);
            Avanza(medio);
            if (hasta > medio) {
                Vacia(piezas_[1]);
                Avanza(hasta);
            }
        }
        if (hoja_.filas == 0)
            Avanza(0);
        archivo_.Confirma();
    }

private:
    void Filas(std::size_t desde, std::size_t hasta, Pieza& pieza) const {
        for (std::size_t f = desde; f < hasta; ++f)
            Linea(hoja_, f, pieza);
    }
    void Vacia(Pieza& pieza) {
        const auto largo = qint64(pieza.largo());
        pieza.Vacia();
        // A failed write ends the work now; the safe writer knows why.
        if (largo > 0 && archivo_.Dispositivo().write(pieza.datos(), largo) != largo)
            archivo_.Confirma();
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
    std::array<Pieza, 2> piezas_;
};

} // namespace

QString CampoCsv(const QString& texto) {
    if (!PideComillas(texto))
        return texto;
    QString t = texto;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString NumeroCsv(double valor) {
    char texto[LargoNumero];
    return QString::fromLatin1(texto, TextoNumero(valor, texto) - texto);
}

void EscribeCsv(const Hoja& h, const QString& ruta, const AvanceSalida& avance) {
    ArchivoSeguro archivo(ruta);
    Escritura(h, archivo, avance).Escribe();
}

} // namespace motor
