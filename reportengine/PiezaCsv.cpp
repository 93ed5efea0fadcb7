#include "reportengine/PiezaCsv.h"

#include "reportengine/Digitos.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>

namespace motor {

namespace {

// A piece's room to begin with: a few thousand rows.
constexpr std::size_t Inicial = std::size_t(1) << 19;

// 10^0 to 10^19.
constexpr auto Potencias = [] {
    std::array<unsigned long long, 20> t{};
    t[0] = 1;
    for (std::size_t i = 1; i < t.size(); ++i)
        t[i] = t[i - 1] * 10;
    return t;
}();

// How many digits n has, without a loop: its bits give the count or one less (1233/4096 is just
// over log10 2).
unsigned Cifras(unsigned long long n) {
    const unsigned bajo = unsigned(std::bit_width(n | 1)) * 1233 >> 12;
    return bajo + ((n | 1) >= Potencias[bajo] ? 1 : 0);
}

// A whole number's digits, written from the end backwards.
char* Entero(unsigned long long n, char* p) {
    char* fin = p + Cifras(n);
    char* q = fin;
    while (n >= 100) {
        q -= 2;
        EscribePar(unsigned(n % 100), q);
        n /= 100;
    }
    if (n >= 10) {
        q -= 2;
        EscribePar(unsigned(n), q);
    } else {
        *--q = char('0' + n);
    }
    return fin;
}

// Amounts in whole cents are most of a report. While doubles lie closer together than a cent
// (below 10^12), the one text with at most two decimals that reads back as the value is also
// its shortest: the same text to_chars gives, made without its search. nullptr when the value
// is not such an amount.
char* EnCentavos(double valor, char* p) {
    if (valor == 0 || !(std::fabs(valor) < 1e12))
        return nullptr;
    // Any whole number will do as the guess: only the check below says it is the amount.
    const double x = valor * 100;
    const auto centavos = static_cast<long long>(x + (x < 0 ? -0.5 : 0.5));
    // Both sides round the same fraction correctly, so equal means it reads back exactly.
    if (double(centavos) / 100 != valor)
        return nullptr;
    if (centavos < 0)
        *p++ = '-';
    const unsigned long long c = centavos < 0 ? 0ULL - (unsigned long long)centavos : centavos;
    p = Entero(c / 100, p);
    const unsigned fraccion = unsigned(c % 100);
    if (fraccion != 0) {
        *p++ = '.';
        *p++ = char('0' + fraccion / 10);
        if (fraccion % 10 != 0)
            *p++ = char('0' + fraccion % 10);
    }
    return p;
}

} // namespace

char* TextoNumeroCsv(double valor, char* p) {
    // Most amounts of a row are none.
    if (valor == 0 && !std::signbit(valor)) {
        *p = '0';
        return p + 1;
    }
    if (char* fin = EnCentavos(valor, p))
        return fin;
    return std::to_chars(p, p + LargoNumeroCsv, valor, std::chars_format::fixed).ptr;
}

bool PideComillas(QStringView texto) {
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\n' || u == u'\r')
            return true;
    }
    return false;
}

void PiezaCsv::Campo(QStringView texto) {
    if (PideComillas(texto)) {
        const QByteArray utf8 = texto.toUtf8();
        Comillas(std::string_view(utf8.constData(), std::size_t(utf8.size())));
        return;
    }
    Reserva(std::size_t(codificador_.requiredSpace(texto.size())));
    fin_ = codificador_.appendToBuffer(fin_, texto);
}

void PiezaCsv::Comillas(std::string_view utf8) {
    // At worst every byte a quote, doubled, between two quotes.
    Reserva(2 * utf8.size() + 2);
    char* p = fin_;
    *p++ = '"';
    for (const char c : utf8) {
        *p++ = c;
        if (c == '"')
            *p++ = '"';
    }
    *p++ = '"';
    fin_ = p;
}

void PiezaCsv::Crece(std::size_t largo) {
    const std::size_t lleno = this->largo();
    const std::size_t tamano =
        std::max({std::size_t(tope_ - bytes_.get()) * 2, lleno + largo, Inicial});
    auto nuevos = std::make_unique_for_overwrite<char[]>(tamano);
    if (lleno > 0)
        std::memcpy(nuevos.get(), bytes_.get(), lleno);
    bytes_ = std::move(nuevos);
    fin_ = bytes_.get() + lleno;
    tope_ = bytes_.get() + tamano;
}

} // namespace motor
