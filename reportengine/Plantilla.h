#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace motor {

// One table that a template reads: the driver file, the data source and the stored location.
struct TablaPlantilla {
    QString driver; // "pdsodbc.dll"
    QString fuente; // "Trevanto Reportes"
    QString nombre; // "trevantoreportes.ravesta", "clientes"
    bool operator==(const TablaPlantilla&) const = default;
};

enum class FormatoCampo { Texto, Fecha, Hora, Importe };
enum class Alineacion { Izquierda, Centro, Derecha };

// One column of the detail lines.
struct ColumnaDiseno {
    QString titulo;
    QString campo;
    FormatoCampo formato = FormatoCampo::Texto;
    int ancho = 20; // relative width; the columns share the printable width in proportion
    Alineacion alineacion = Alineacion::Izquierda;
    bool total = false;       // summed in the group and grand totals
    bool cerosVacios = false; // an amount of exactly 0 prints blank
    bool operator==(const ColumnaDiseno&) const = default;
};

// The layout of a grouped list report over table 0, with names looked up in another table.
struct Diseno {
    QString titulo;
    bool carta = true;         // Letter, else A4
    bool horizontal = false;   // landscape
    QString sinDatos;          // the line printed when there are no rows
    QStringList orden;         // sort fields of table 0, stable
    QString campoGrupo;        // rows with the same value form a group
    QString etiquetaGrupo;     // "Cliente"
    int tablaNombres = -1;     // table whose rows give each group its name, -1 for none
    QString campoClave;        // key column there, matched against campoGrupo
    QString campoNombre;       // name column there
    QString campoSaldoInicial; // the group's first row gives its opening balance
    QString etiquetaSaldoInicial;
    QString campoSaldoFinal; // the group's last row gives its closing balance
    QString etiquetaSaldoFinal;
    // The amount column whose positive values are sales: the closing balance is aged by them.
    // "" for none: the whole balance then counts as coming from before the period.
    QString campoVentas;
    std::vector<ColumnaDiseno> columnas;
    bool operator==(const Diseno&) const = default;
};

struct Plantilla {
    std::vector<TablaPlantilla> tablas;
    Diseno diseno;
    bool operator==(const Plantilla&) const = default;
};

} // namespace motor
