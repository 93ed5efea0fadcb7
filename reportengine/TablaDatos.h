#pragma once

#include <QHash>
#include <QString>
#include <cstddef>
#include <vector>

namespace motor {

// Rows read from one table, column by column: a column holds texts or numbers.
struct ColumnaDatos {
    QString nombre;
    bool numerica = false;
    std::vector<QString> textos;
    std::vector<double> numeros;
};

struct TablaDatos {
    std::vector<ColumnaDatos> columnas;
    std::size_t filas = 0;

    // The column of that name (exact match, then ignoring case), or -1.
    int Indice(const QString& nombre) const;
};

// What a column must be read as.
struct ColumnaPedida {
    QString nombre;
    bool numerica = false;
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
