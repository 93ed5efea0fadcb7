#pragma once

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

// Where the engine reads its tables: connect, then read a table's columns row by row.
class FuenteDatos {
public:
    virtual ~FuenteDatos() = default;
    // The table at "base.tabla" or "tabla", in stored order. Fails with the engine's numbers.
    virtual TablaDatos Lee(const QString& ubicacion,
                           const std::vector<ColumnaPedida>& columnas) = 0;
};

} // namespace motor
