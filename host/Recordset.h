#pragma once

#include "Conexion.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

typedef struct st_mysql_res MYSQL_RES;

namespace qm {

// The rows of one query, kept in memory, with a current row, like the host's recordsets.
// Values come as QVariant: NULL is a null QVariant; integers qlonglong; floating and decimal
// columns double; DATE a QDate (a zero date its text); text columns QString.
// Writing needs the query to read one table: AddNew / Asigna / Update add a row;
// Asigna on the current row then Update (or MoveNext) changes that row, found again by the
// values it had when read, one row only.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool abierto() const;
    // Closes it; a recordset never opened is accepted. Pending changes are dropped.
    void Cierra();

    // True past the last row (and for a result without rows).
    bool Eof() const;
    // Saves pending changes of the current row, then moves to the next row.
    void MoveNext();

    int Campos() const;
    QString NombreCampo(int indice) const;
    // Value of a column of the current row, by name (without regard to case) or by index.
    QVariant Valor(const QString& campo) const;
    QVariant Valor(int indice) const;

    // Starts a new row; its columns are those given by Asigna, the rest take their defaults.
    void AddNew();
    // Sets a column of the new row, or of the current row.
    void Asigna(const QString& campo, const QVariant& valor);
    // Saves the new row (INSERT) or the changed current row (UPDATE ... LIMIT 1).
    void Update();

    int filas() const;

private:
    struct Datos;
    std::unique_ptr<Datos> datos_;
    // Takes the result over; it reads through the session it came from.
    static Recordset Crea(std::shared_ptr<Conexion::Sesion> sesion, MYSQL_RES* resultado);
    friend class Conexion;
};

} // namespace qm
