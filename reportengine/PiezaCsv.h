#pragma once

#include <QStringEncoder>
#include <QStringView>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

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
        lleno_ = std::size_t(TextoNumeroCsv(valor, bytes_.data() + lleno_) - bytes_.data());
    }
    void Coma() { Agrega(std::string_view(",", 1)); }
    void FinLinea() { Agrega(std::string_view("\r\n", 2)); }
    // Bytes as they are.
    void Agrega(std::string_view bytes) {
        Reserva(bytes.size());
        if (!bytes.empty())
            std::memcpy(bytes_.data() + lleno_, bytes.data(), bytes.size());
        lleno_ += bytes.size();
    }

    void Vacia() { lleno_ = 0; }
    const char* datos() const { return bytes_.data(); }
    std::size_t largo() const { return lleno_; }

private:
    void Comillas(std::string_view utf8);
    void Reserva(std::size_t largo) {
        if (lleno_ + largo > bytes_.size())
            Crece(largo);
    }
    void Crece(std::size_t largo);

    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<char> bytes_;
    std::size_t lleno_ = 0;
};

} // namespace motor
