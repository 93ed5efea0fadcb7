#pragma once

#include <QStringEncoder>
#include <QStringView>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace motor {

// The longest double in plain notation: 309 digits before the point, 324 after it.
inline constexpr std::size_t LargoNumeroCsv = 400;

// The shortest plain text that reads back as the value, never "1e+05", into p (room for
// LargoNumeroCsv); gives its end.
char* TextoNumeroCsv(double valor, char* p);

// Whether a field must go between quotes: it holds a comma, a quote or a line end.
bool PideComillas(QStringView texto);
inline bool PideComillas(std::string_view utf8) {
    // These are ASCII, never part of a longer UTF-8 letter.
    for (const char c : utf8) {
        if (c == ',' || c == '"' || c == '\n' || c == '\r')
            return true;
    }
    return false;
}

// CSV text of some rows, as UTF-8 bytes, made apart from the file so that several pieces can be
// made at once.
class PiezaCsv {
public:
    // A field, quoted where needed.
    void Campo(QStringView texto);
    void Campo(std::string_view utf8) {
        if (PideComillas(utf8)) {
            Comillas(utf8);
            return;
        }
        Agrega(utf8);
    }
    void Numero(double valor) {
        Reserva(LargoNumeroCsv);
        fin_ = TextoNumeroCsv(valor, fin_);
    }
    void Coma() { Byte(','); }
    void FinLinea() {
        Reserva(2);
        fin_[0] = '\r';
        fin_[1] = '\n';
        fin_ += 2;
    }
    // Bytes as they are.
    void Agrega(std::string_view bytes) {
        const std::size_t n = bytes.size();
        Reserva(n);
        const char* b = bytes.data();
        // Most fields are short: two overlapping moves of a fixed size, not a call.
        if (n >= 8 && n <= 16) {
            std::memcpy(fin_, b, 8);
            std::memcpy(fin_ + n - 8, b + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(fin_, b, 4);
            std::memcpy(fin_ + n - 4, b + n - 4, 4);
        } else if (n != 0) {
            std::memcpy(fin_, b, n);
        }
        fin_ += n;
    }

    void Vacia() { fin_ = bytes_.get(); }
    const char* datos() const { return bytes_.get(); }
    std::size_t largo() const { return std::size_t(fin_ - bytes_.get()); }

private:
    void Byte(char c) {
        Reserva(1);
        *fin_++ = c;
    }
    void Comillas(std::string_view utf8);
    void Reserva(std::size_t largo) {
        if (std::size_t(tope_ - fin_) < largo)
            Crece(largo);
    }
    void Crece(std::size_t largo);

    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::unique_ptr<char[]> bytes_;
    char* fin_ = nullptr;
    char* tope_ = nullptr;
};

} // namespace motor
