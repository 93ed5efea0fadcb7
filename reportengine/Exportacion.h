#pragma once

#include "reportengine/Avance.h"
#include "reportengine/Cuentas.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/Plantilla.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace motor {

// The report as plain tables, for the spreadsheet and CSV exports: built from the rows the
// engine read and sorted, never from SQL.
enum class TipoCelda { Texto, Fecha, Numero };

struct Celda {
    QString texto; // texts; dates as "yyyy-mm-dd"
    double numero = 0;
};

struct ColumnaHoja {
    QString titulo;
    TipoCelda tipo = TipoCelda::Texto;
};

class PiezaCsv;
// Rows desde..hasta (one past the last) of a sheet as CSV lines into pieza.
using LineasCsv = std::function<void(std::size_t desde, std::size_t hasta, PiezaCsv& pieza)>;

struct Hoja {
    QString nombre;
    std::vector<ColumnaHoja> columnas;
    std::size_t filas = 0;
    // May be called from several threads at once.
    std::function<Celda(std::size_t fila, std::size_t columna)> celda;
    // When set, the CSV lines made straight from the data, without a cell: the very bytes the
    // cells give. May be called from several threads at once.
    LineasCsv lineasCsv;
};

// A group as sheet columns, as the pages print it: its code and name, then its figures:
// opening balance, the layout's totals, closing balance and its ageing buckets. valores[i]
// gives column i of a group. The "Resumen" sheet and the statements' index are made of these.
struct ColumnasDeCuenta {
    std::vector<ColumnaHoja> columnas;
    std::vector<std::function<Celda(const GrupoDatos&, const CuentaGrupo&)>> valores;
};
ColumnasDeCuenta ColumnasDeCuentas(const Diseno& diseno, const Cuentas& cuentas);

// "Movimientos": one row per printed row, in printed order: the group's key and name, then the
// layout's columns (amounts as the stored numbers). "Resumen": one row per group: key, name,
// opening balance, the group's totals, closing balance and the closing balance by age (the
// buckets as printed, so that they add up to it).
std::vector<Hoja> Hojas(std::shared_ptr<const DatosReporte> datos,
                        std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno);

// Writes the sheets as an .xlsx workbook: headings frozen and filtered, numbers with two
// decimals, dates as dates. Rows go out as they are made, so memory does not grow with them. A
// sheet longer than a workbook allows (1,048,575 rows below the headings) goes on in
// "<name> (2)", "<name> (3)"..., headings repeated. avance hears of the rows written. Replaces
// the file only when the whole workbook is written. Fails with ErrorSalida (naming the file and
// what failed), or Cancelado when avance says stop.
void EscribeXlsx(const std::vector<Hoja>& hojas, const QString& ruta,
                 const AvanceSalida& avance = {});

// Writes one sheet as CSV text (RFC 4180: commas, CRLF, quotes where needed), UTF-8 with a
// byte-order mark; numbers with a point, no thousands separator, the shortest text that reads
// back as the same double. avance hears of the rows written. Replaces the file only when all is
// written. Fails with ErrorSalida, or Cancelado when avance says stop.
void EscribeCsv(const Hoja& hoja, const QString& ruta, const AvanceSalida& avance = {});

// One CSV field.
QString CampoCsv(const QString& texto);
// The shortest plain decimal text that reads back as exactly this double ("0.1", "100000",
// "0.0000001", "-0").
QString NumeroCsv(double valor);

} // namespace motor
