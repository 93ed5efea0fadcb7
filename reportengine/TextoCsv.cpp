// The CSV writer: each field goes as UTF-8 straight into one block of bytes, which goes to the
// file whenever it fills; no text of a row or a field is made on the way.
#include "reportengine/ArchivoSeguro.h"
#include "reportengine/Exportacion.h"

#include <QDir>
#include <QStringEncoder>
#include <charconv>
#include <vector>

namespace motor {

namespace {

// Bytes gathered before they go to the file, and rows between two progress calls.
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

class Escritura {
public:
    Escritura(ArchivoSeguro& archivo, const AvanceSalida& avance, std::size_t total)
        : archivo_(archivo), avance_(avance), total_(total), bloque_(Bloque) {
        Agrega("\xEF\xBB\xBF");
    }

    void Campo(QStringView texto) {
        if (PideComillas(texto)) {
            Texto(CampoCsv(texto.toString()));
            return;
        }
        Texto(texto);
    }
    void Numero(double valor) {
        Reserva(LargoNumero);
        const auto r = std::to_chars(bloque_.data() + lleno_, bloque_.data() + bloque_.size(),
                                     valor, std::chars_format::fixed);
        lleno_ = std::size_t(r.ptr - bloque_.data());
    }
    void Separa() { Agrega(","); }
    void FinDeLinea() { Agrega("\r\n"); }
    void FilaHecha() {
        if (++hechas_ % PasoAvance == 0)
            Avanza();
    }
    void Termina() {
        Avanza();
        Vacia();
        archivo_.Confirma();
    }

private:
    void Texto(QStringView texto) {
        Reserva(std::size_t(codificador_.requiredSpace(texto.size())));
        char* fin = codificador_.appendToBuffer(bloque_.data() + lleno_, texto);
        lleno_ = std::size_t(fin - bloque_.data());
    }
    template <std::size_t N> void Agrega(const char (&bytes)[N]) {
        Reserva(N - 1);
        std::copy(bytes, bytes + N - 1, bloque_.data() + lleno_);
        lleno_ += N - 1;
    }
    void Reserva(std::size_t largo) {
        if (lleno_ + largo <= bloque_.size())
            return;
        Vacia();
        if (largo > bloque_.size())
            bloque_.resize(largo);
    }
    void Vacia() {
        if (lleno_ == 0)
            return;
        const auto largo = qint64(lleno_);
        lleno_ = 0;
        // A failed write ends the work now; the safe writer knows why.
        if (archivo_.Dispositivo().write(bloque_.data(), largo) != largo)
            archivo_.Confirma();
    }
    void Avanza() {
        if (avance_ && !avance_(hechas_, total_))
            throw ErrorMotor(errores::Cancelado,
                             QStringLiteral("Se canceló la escritura de «%1»; el archivo anterior "
                                            "quedó como estaba.")
                                 .arg(QDir::toNativeSeparators(archivo_.ruta())));
    }

    ArchivoSeguro& archivo_;
    const AvanceSalida& avance_;
    const std::size_t total_;
    std::size_t hechas_ = 0;
    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<char> bloque_;
    std::size_t lleno_ = 0;
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
    // Plain notation, never "1e+05".
    char texto[LargoNumero];
    const auto r = std::to_chars(texto, texto + sizeof(texto), valor, std::chars_format::fixed);
    return QString::fromLatin1(texto, r.ptr - texto);
}

void EscribeCsv(const Hoja& h, const QString& ruta, const AvanceSalida& avance) {
    ArchivoSeguro archivo(ruta);
    Escritura csv(archivo, avance, h.filas);
    for (std::size_t c = 0; c < h.columnas.size(); ++c) {
        if (c > 0)
            csv.Separa();
        csv.Campo(h.columnas[c].titulo);
    }
    csv.FinDeLinea();
    for (std::size_t f = 0; f < h.filas; ++f) {
        for (std::size_t c = 0; c < h.columnas.size(); ++c) {
            if (c > 0)
                csv.Separa();
            const Celda v = h.celda(f, c);
            if (h.columnas[c].tipo == TipoCelda::Numero)
                csv.Numero(v.numero);
            else
                csv.Campo(v.texto);
        }
        csv.FinDeLinea();
        csv.FilaHecha();
    }
    csv.Termina();
}

} // namespace motor
