#include "reportengine/TablaDatos.h"

#include "reportengine/Digitos.h"
#include "reportengine/ErroresMotor.h"

#include <cstring>
#include <limits>

namespace motor {

namespace {

// The empty text (a NULL reads as it) in a column of dates or times.
constexpr std::int32_t Vacio = std::numeric_limits<std::int32_t>::min();
constexpr std::size_t CodigosMaximos = std::size_t(std::numeric_limits<std::uint16_t>::max()) + 1;

int Digitos(QStringView t, qsizetype desde, qsizetype cuantos) {
    int n = 0;
    for (qsizetype i = desde; i < desde + cuantos; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// "2024-01-31" as its day, when the text is exactly how that day is written; else Vacio.
std::int32_t DiaDeTexto(QStringView t) {
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return Vacio;
    const QDate dia(Digitos(t, 0, 4), Digitos(t, 5, 2), Digitos(t, 8, 2));
    if (!dia.isValid() || dia.year() < 1)
        return Vacio;
    return std::int32_t(dia.toJulianDay());
}

// "09:30:00" (hours up to 99) as seconds, when the text is exactly how they are written.
std::int32_t SegundosDeTexto(QStringView t) {
    if (t.size() != 8 || t[2] != u':' || t[5] != u':')
        return Vacio;
    const int h = Digitos(t, 0, 2), m = Digitos(t, 3, 2), s = Digitos(t, 6, 2);
    if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59)
        return Vacio;
    return h * 3600 + m * 60 + s;
}

// Digits written straight into the text: this runs for every date and time the pages, the
// workbook and the CSV show.
constexpr char16_t Digito(int n) {
    return char16_t(u'0' + n % 10);
}
QString TextoFecha(int a, int m, int d) {
    const char16_t t[] = {
        Digito(a / 1000), Digito(a / 100), Digito(a / 10), Digito(a),      u'-',
        Digito(m / 10),   Digito(m),       u'-',           Digito(d / 10), Digito(d)};
    return QString(reinterpret_cast<const QChar*>(t), 10);
}
QString TextoHora(int h, int m, int s) {
    const char16_t t[] = {Digito(h / 10), Digito(h), u':',           Digito(m / 10),
                          Digito(m),      u':',      Digito(s / 10), Digito(s)};
    return QString(reinterpret_cast<const QChar*>(t), 8);
}

// The Gregorian date of a Julian day of years 1 to 9999, as QDate gives it, without its
// calendar machinery: days are counted from 1 March of year 0 in eras of 400 years.
void Civil(std::int32_t dia, int& a, int& m, int& d) {
    // Unsigned: from year 1 on the count is positive, and its divisions are cheaper so.
    const auto z = std::uint32_t(dia - 1721120); // 0000-03-01
    const std::uint32_t era = z / 146097;
    const std::uint32_t enEra = z - era * 146097;
    const std::uint32_t anioEra = (enEra - enEra / 1460 + enEra / 36524 - enEra / 146096) / 365;
    const std::uint32_t enAnio = enEra - (365 * anioEra + anioEra / 4 - anioEra / 100);
    const std::uint32_t mesDeMarzo = (5 * enAnio + 2) / 153;
    d = int(enAnio - (153 * mesDeMarzo + 2) / 5 + 1);
    m = int(mesDeMarzo < 10 ? mesDeMarzo + 3 : mesDeMarzo - 9);
    a = int(anioEra + era * 400) + (m <= 2 ? 1 : 0);
}

std::string_view BytesFecha(std::int32_t dia, ColumnaDatos::EspacioUtf8& t) {
    int a = 0, m = 0, d = 0;
    Civil(dia, a, m, d);
    EscribePar(unsigned(a / 100), &t[0]);
    EscribePar(unsigned(a % 100), &t[2]);
    t[4] = '-';
    EscribePar(unsigned(m), &t[5]);
    t[7] = '-';
    EscribePar(unsigned(d), &t[8]);
    return {t.data(), 10};
}
std::string_view BytesHora(std::int32_t segundos, ColumnaDatos::EspacioUtf8& t) {
    EscribePar(unsigned(segundos / 3600), &t[0]);
    t[2] = ':';
    EscribePar(unsigned(segundos / 60 % 60), &t[3]);
    t[5] = ':';
    EscribePar(unsigned(segundos % 60), &t[6]);
    return {t.data(), 8};
}

} // namespace

ColumnaDatos::ColumnaDatos(QString nombre, TipoDato tipo)
    : nombre_(std::move(nombre)), numerica_(tipo == TipoDato::Numero) {
    if (tipo == TipoDato::Fecha)
        forma_ = Forma::Dias;
    else if (tipo == TipoDato::Hora)
        forma_ = Forma::Segundos;
}

std::size_t ColumnaDatos::filas() const {
    if (numerica_)
        return numeros_.size();
    switch (forma_) {
    case Forma::Dias:
    case Forma::Segundos:
        return enteros_.size();
    case Forma::Codigos:
        return codigos_.size();
    case Forma::Bloque:
        break;
    }
    return finales_.size();
}

void ColumnaDatos::Reserva(std::size_t filas) {
    if (numerica_)
        numeros_.reserve(filas);
    else if (forma_ == Forma::Dias || forma_ == Forma::Segundos)
        enteros_.reserve(filas);
    else if (forma_ == Forma::Codigos)
        codigos_.reserve(filas);
}

void ColumnaDatos::Agrega(double numero) {
    numeros_.push_back(numero);
}

void ColumnaDatos::Agrega(QStringView texto) {
    if (numerica_) {
        numeros_.push_back(texto.toDouble());
        return;
    }
    switch (forma_) {
    case Forma::Dias:
    case Forma::Segundos: {
        const std::int32_t v = forma_ == Forma::Dias ? DiaDeTexto(texto) : SegundosDeTexto(texto);
        if (v != Vacio || texto.isEmpty()) {
            enteros_.push_back(v);
            return;
        }
        ACodigos();
        AgregaCodigo(texto.toString());
        return;
    }
    case Forma::Codigos:
        AgregaCodigo(texto.toString());
        return;
    case Forma::Bloque:
        AgregaBloque(texto);
        return;
    }
}

void ColumnaDatos::AgregaCodigo(const QString& texto) {
    const auto i = indice_.constFind(texto);
    if (i != indice_.cend()) {
        codigos_.push_back(*i);
        return;
    }
    if (valores_.size() == CodigosMaximos) {
        ABloque();
        AgregaBloque(texto);
        return;
    }
    const auto codigo = std::uint16_t(valores_.size());
    valores_.push_back(texto);
    valoresUtf8_.push_back(texto.toUtf8().toStdString());
    indice_.insert(texto, codigo);
    codigos_.push_back(codigo);
}

void ColumnaDatos::AgregaBloque(QStringView texto) {
    // Texts read over ODBC are whole UTF-16, so UTF-8 keeps every letter.
    bytes_ += texto.toUtf8().toStdString();
    if (bytes_.size() > std::numeric_limits<std::uint32_t>::max())
        throw ErrorMotor(errores::ErrorLectura,
                         QStringLiteral("La columna %1 del reporte tiene más texto del que cabe "
                                        "en memoria.")
                             .arg(nombre_));
    finales_.push_back(std::uint32_t(bytes_.size()));
}

void ColumnaDatos::ACodigos() {
    std::vector<std::int32_t> enteros = std::move(enteros_);
    const Forma antes = forma_;
    enteros_ = {};
    forma_ = Forma::Codigos;
    ColumnaDatos vieja(nombre_);
    vieja.forma_ = antes;
    vieja.enteros_ = std::move(enteros);
    for (std::size_t f = 0; f < vieja.filas(); ++f)
        Agrega(vieja.Texto(f));
}

void ColumnaDatos::ABloque() {
    ColumnaDatos vieja(nombre_);
    vieja.codigos_ = std::move(codigos_);
    vieja.valores_ = std::move(valores_);
    codigos_ = {};
    valores_ = {};
    valoresUtf8_ = {};
    indice_ = {};
    forma_ = Forma::Bloque;
    for (std::size_t f = 0; f < vieja.filas(); ++f)
        AgregaBloque(vieja.Texto(f));
}

QString ColumnaDatos::Texto(std::size_t fila) const {
    if (numerica_)
        return QString::number(numeros_[fila]);
    switch (forma_) {
    case Forma::Dias: {
        const std::int32_t v = enteros_[fila];
        if (v == Vacio)
            return {};
        int a = 0, m = 0, d = 0;
        QDate::fromJulianDay(v).getDate(&a, &m, &d);
        return TextoFecha(a, m, d);
    }
    case Forma::Segundos: {
        const std::int32_t v = enteros_[fila];
        if (v == Vacio)
            return {};
        return TextoHora(v / 3600, v / 60 % 60, v % 60);
    }
    case Forma::Codigos:
        return valores_[codigos_[fila]];
    case Forma::Bloque:
        break;
    }
    const std::uint32_t desde = fila == 0 ? 0 : finales_[fila - 1];
    return QString::fromUtf8(bytes_.data() + desde, qsizetype(finales_[fila] - desde));
}

std::string_view ColumnaDatos::Utf8(std::size_t fila, EspacioUtf8& espacio) const {
    switch (forma_) {
    case Forma::Dias:
    case Forma::Segundos: {
        const std::int32_t v = enteros_[fila];
        if (v == Vacio)
            return {};
        return forma_ == Forma::Dias ? BytesFecha(v, espacio) : BytesHora(v, espacio);
    }
    case Forma::Codigos:
        return valoresUtf8_[codigos_[fila]];
    case Forma::Bloque:
        break;
    }
    const std::uint32_t desde = fila == 0 ? 0 : finales_[fila - 1];
    return {bytes_.data() + desde, finales_[fila] - desde};
}

QDate ColumnaDatos::Dia(std::size_t fila) const {
    if (!numerica_ && forma_ == Forma::Dias)
        return enteros_[fila] == Vacio ? QDate() : QDate::fromJulianDay(enteros_[fila]);
    if (!numerica_ && forma_ == Forma::Segundos)
        return {};
    return QDate::fromString(Texto(fila).left(10), Qt::ISODate);
}

std::int64_t ColumnaDatos::Marca(std::size_t fila) const {
    if (forma_ == Forma::Codigos)
        return codigos_[fila];
    return enteros_[fila];
}

std::size_t ColumnaDatos::Bytes() const {
    std::size_t b = numeros_.capacity() * sizeof(double) +
                    enteros_.capacity() * sizeof(std::int32_t) +
                    codigos_.capacity() * sizeof(std::uint16_t) + bytes_.capacity() +
                    finales_.capacity() * sizeof(std::uint32_t);
    for (const QString& v : valores_)
        b += sizeof(QString) + std::size_t(v.capacity()) * 2;
    for (const std::string& v : valoresUtf8_)
        b += sizeof(std::string) + v.capacity();
    return b;
}

int TablaDatos::Indice(const QString& nombre) const {
    for (std::size_t i = 0; i < columnas.size(); ++i) {
        if (columnas[i].nombre() == nombre)
            return int(i);
    }
    for (std::size_t i = 0; i < columnas.size(); ++i) {
        if (columnas[i].nombre().compare(nombre, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace motor
