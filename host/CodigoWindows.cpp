#include "CodigoWindows.h"

#include <array>

namespace qm::cp1252 {

namespace {

// Characters of the bytes 0x80 to 0x9F; the other bytes are the Latin-1 characters of the same
// number. The undefined bytes keep their own number.
constexpr std::array<char16_t, 32> kAltos = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

std::optional<char> Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kAltos.size(); ++i)
        if (kAltos[i] == c)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

} // namespace

QString Decodifica(QByteArrayView bytes) {
    QString texto(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        texto[i] = QChar(b >= 0x80 && b < 0xA0 ? kAltos[b - 0x80] : char16_t(b));
    }
    return texto;
}

std::optional<QByteArray> Codifica(QStringView texto) {
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (const QChar c : texto) {
        const auto b = Byte(c.unicode());
        if (!b)
            return std::nullopt;
        bytes.append(*b);
    }
    return bytes;
}

} // namespace qm::cp1252
