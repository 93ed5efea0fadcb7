#include "reportengine/PiezaCsv.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace motor {

namespace {

// A piece's room to begin with: a few thousand rows.
constexpr std::size_t Inicial = std::size_t(1) << 19;

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
    char* fin = codificador_.appendToBuffer(bytes_.data() + lleno_, texto);
    lleno_ = std::size_t(fin - bytes_.data());
}

void PiezaCsv::Comillas(std::string_view utf8) {
    // At worst every byte a quote, doubled, between two quotes.
    Reserva(2 * utf8.size() + 2);
    char* p = bytes_.data() + lleno_;
    *p++ = '"';
    for (const char c : utf8) {
        *p++ = c;
        if (c == '"')
            *p++ = '"';
    }
    *p++ = '"';
    lleno_ = std::size_t(p - bytes_.data());
}

void PiezaCsv::Crece(std::size_t largo) {
    bytes_.resize(std::max({bytes_.size() * 2, lleno_ + largo, Inicial}));
}

} // namespace motor
