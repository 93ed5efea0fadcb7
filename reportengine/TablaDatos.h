#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace motor {

// What a column holds, as the layout uses it. A text column of dates or times is kept as
// numbers while every value reads back as the very same text; any other value turns it into a
// plain text column, so the paper always shows exactly what the table holds.
enum class TipoDato : std::uint8_t { Texto, Numero, Fecha, Hora };

// Rows read from one table, column by column, in little room: numbers as doubles; dates
// ("2024-01-31") and times ("09:30:00") as numbers; a column of few distinct texts (the kind
// of movement, the customer) as small codes into its values; any other texts as UTF-8 bytes in
// one block with the end of each.
class ColumnaDatos {
public:
    explicit ColumnaDatos(QString nombre, TipoDato tipo = TipoDato::Texto);

    const QString& nombre() const { return nombre_; }
    bool numerica() const { return numerica_; }
    std::size_t filas() const;

    // Room for that many rows in the column's first form, so that a table whose size is known
    // grows without copies or spare room.
    void Reserva(std::size_t filas);
    void Agrega(double numero); // a number column
    void Agrega(QStringView texto);

    double Numero(std::size_t fila) const { return numeros_[fila]; }
    QString Texto(std::size_t fila) const;
    // The day the first ten letters of a text name ("2024-01-31 ..."); invalid when none.
    QDate Dia(std::size_t fila) const;

    // How a text column keeps its texts, for writers of many rows that read them straight:
    // dates and times as numbers, few distinct texts as codes into Valores(), others as UTF-8
    // bytes in one block.
    enum class Forma : std::uint8_t { Dias, Segundos, Codigos, Bloque };
    Forma forma() const { return forma_; }
    std::uint16_t Codigo(std::size_t fila) const { return codigos_[fila]; }
    const std::vector<QString>& Valores() const { return valores_; }
    // A text column's row as the UTF-8 bytes of Texto(fila), made without a QString: a date or
    // a time is written into espacio, any other text is the bytes the column keeps (valid while
    // the column lives).
    using EspacioUtf8 = std::array<char, 10>;
    std::string_view Utf8(std::size_t fila, EspacioUtf8& espacio) const;

    // Equal texts have equal marks and different texts different ones, when the column keeps
    // its texts as numbers or codes (HayMarcas); a column of free texts has none.
    bool HayMarcas() const { return forma_ != Forma::Bloque; }
    std::int64_t Marca(std::size_t fila) const;

    // Bytes held, roughly.
    std::size_t Bytes() const;

private:
    void ACodigos();
    void ABloque();
    void AgregaCodigo(const QString& texto);
    void AgregaBloque(QStringView texto);

    QString nombre_;
    bool numerica_ = false;
    Forma forma_ = Forma::Codigos;
    std::vector<double> numeros_;
    std::vector<std::int32_t> enteros_;    // Dias, Segundos
    std::vector<std::uint16_t> codigos_;   // Codigos
    std::vector<QString> valores_;         // Codigos: the distinct texts
    std::vector<std::string> valoresUtf8_; // Codigos: the same, as UTF-8
    QHash<QString, std::uint16_t> indice_; // Codigos: text -> code
    std::string bytes_;                    // Bloque
    std::vector<std::uint32_t> finales_;   // Bloque: where each row's bytes end
};

struct TablaDatos {
    std::vector<ColumnaDatos> columnas;
    std::size_t filas = 0;

    // The column of that name (exact match, then ignoring case), or -1.
    int Indice(const QString& nombre) const;
    const ColumnaDatos& operator[](int i) const { return columnas[std::size_t(i)]; }
};

// What a column must be read as.
struct ColumnaPedida {
    QString nombre;
    TipoDato tipo = TipoDato::Texto;
};

// How the database compares one value of a column: values it takes as equal (say "C001",
// "c001" and "C001 " under a case-insensitive collation) share a class. rango is the class's
// place in the database's order of the column; representante is the value the database gives
// for the class when it groups by the column.
struct Clase {
    std::size_t rango = 0;
    QString representante;
};
// Every distinct value of a column, exactly as read, to its class.
using Clasificacion = QHash<QString, Clase>;

// Where the engine reads its tables: connect, then read a table's columns row by row, and ask
// the database how it compares values. Every comparison of texts is the database's own, under
// the column's collation; the engine never compares codes by their bytes.
class FuenteDatos {
public:
    virtual ~FuenteDatos() = default;
    // The table at "base.tabla" or "tabla", in stored order. Fails with the engine's numbers.
    virtual TablaDatos Lee(const QString& ubicacion,
                           const std::vector<ColumnaPedida>& columnas) = 0;
    // The classes of every value of a column of that table.
    virtual Clasificacion Clasifica(const QString& ubicacion, const QString& columna) = 0;
    // For each key, columnaValor of the first row the database finds whose columnaClave equals
    // the key as that table compares it; keys without a row are left out.
    virtual QHash<QString, QString> Busca(const QString& ubicacion, const QString& columnaClave,
                                          const QString& columnaValor,
                                          const std::vector<QString>& claves) = 0;
};

} // namespace motor
