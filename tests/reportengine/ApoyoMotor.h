#pragma once

#include "reportengine/Plantilla.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace prueba {

// The movements template, compiled from its source in the tree.
motor::Plantilla PlantillaMovimientos();
QByteArray BytesMovimientos();
// Writes the movements template as "quiltaro.rpt" in the folder; its path, "" on failure.
QString EscribeMovimientos(const QString& carpeta);

// One movement row of tmpravesta.
struct Movimiento {
    QString cliente;
    QString fecha; // yyyy-mm-dd
    QString hora;
    QString movimiento;
    QString folio;
    double ventas = 0, devoluciones = 0, pagos = 0, anterior = 0, actual = 0;
};

// A database of the test's own with tmpravesta and clientes, plus a user DSN
// "Trevanto Reportes" in the private odbc.ini that points at the private server. Each table
// in the collation given ("latin1_swedish_ci"), else the database's utf8mb4_general_ci.
class DatosReporte {
public:
    explicit DatosReporte(const QString& colacionMovimientos = {},
                          const QString& colacionClientes = {});
    ~DatosReporte();
    const QString& base() const;
    // "SERVER=...;DB=...;UID=...;PWD={...};" with the private password braced.
    QString textoConexion(const QString& password) const;
    QString textoConexion() const;
    void Cliente(const QString& clave, const QString& nombre);
    void Movimientos(const std::vector<Movimiento>& filas);
    // The first column of every row of a query, as texts.
    QStringList Columna(const QString& sql);
    void Ejecuta(const QString& sql);

private:
    struct Datos;
    std::unique_ptr<Datos> d_;
};

// The text of a PDF as pdftotext -layout gives it.
QString TextoPdf(const QString& ruta);

} // namespace prueba
