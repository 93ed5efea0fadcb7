#pragma once

#include "host/Conexion.h"
#include "host/VariableDeSesion.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace movimientos {

// Where a column's values come from: copied from the sources by the collection, or the
// balances computed after it.
enum class Origen { Recolectada, Saldo };
// Whether its scratch column keeps tmpravesta's default: a kind fills one amount and leaves the
// other two unset.
enum class Defecto { Ninguno, DeLaTabla };
// Whether a NULL collected into it is reported when tmpravesta declares it NOT NULL.
enum class Nulos { Revisados, Permitidos };

// One column of tmpravesta that a build fills.
struct ColumnaTrabajo {
    QString nombre;
    Origen origen;
    Defecto defecto;
    Nulos nulos;
};

// The columns of tmpravesta that a build fills, in its order.
extern const std::vector<ColumnaTrabajo> kColumnasTrabajo;

// The collected ones among them, in order.
std::vector<ColumnaTrabajo> ColumnasRecolectadas();

// The columns' names, in order.
QStringList Nombres(const std::vector<ColumnaTrabajo>& columnas);

// The scratch tables of one build: TEMPORARY, so they belong to this session alone and vanish
// with it, whatever ends it. "movimientos" holds the collected rows, with tmpravesta's column
// types and collations, nullable (a NULL is reported, not stored), plus qm_orden, the order of
// addition; "saldos" the balances of each row by qm_orden; "codigos" the codes' spellings. Dropped
// when this goes.
class TablasTemporales {
public:
    // Makes "movimientos".
    explicit TablasTemporales(qm::Conexion& cn);
    ~TablasTemporales();
    TablasTemporales(const TablasTemporales&) = delete;
    TablasTemporales& operator=(const TablasTemporales&) = delete;

    const QString movimientos = QStringLiteral("qm_movimientos");
    const QString saldos = QStringLiteral("qm_saldos");
    const QString codigos = QStringLiteral("qm_codigos");
    // The collected columns that tmpravesta declares NOT NULL.
    QStringList noNulas;
    // "movimientos" is MyISAM: a scan gives its rows in order of addition.
    bool enOrden = false;

    // Makes "saldos", for that many rows.
    void CreaSaldos(std::size_t filas);
    // Makes "codigos": the spellings of the customers' codes (qm_grafia, Cliente), Cliente as
    // tmpravesta has it.
    void CreaCodigos();

private:
    void Borra();
    qm::Conexion& cn_;
    QString definicionCliente_;
    std::optional<qm::VariableDeSesion> tamanoMemoria_;
};

} // namespace movimientos
