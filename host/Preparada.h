#pragma once

#include "host/Conexion.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

typedef struct st_mysql_stmt MYSQL_STMT;

namespace qm {

// A query run as a prepared statement and read row by row as the server sends it (nothing is
// kept but the current row). The binary protocol gives every DOUBLE bit for bit, on every
// server, where the text protocol of older servers rounds to fifteen digits; DECIMAL values are
// read as their exact text and converted once. Only one can be open on a connection at a time,
// and no other statement may run on it until the last row is read or this goes.
class Preparada {
public:
    // How each column of the result is read, in order.
    enum class Tipo { Entero, Doble, Texto };

    Preparada(Conexion& cn, const QString& sql, std::vector<Tipo> tipos);
    ~Preparada();
    Preparada(const Preparada&) = delete;
    Preparada& operator=(const Preparada&) = delete;

    // Moves to the next row; false after the last.
    bool Siguiente();

    bool EsNulo(int columna) const;
    long long Entero(int columna) const;
    // Nothing when the value is NULL.
    std::optional<double> Doble(int columna) const;
    // The text as the connection's character set gives it; empty for NULL.
    const QByteArray& Texto(int columna) const;

private:
    struct Datos;
    std::unique_ptr<Datos> d_;
};

} // namespace qm
