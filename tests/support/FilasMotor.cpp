#include "tests/support/FilasMotor.h"

#include <QDate>
#include <set>

namespace prueba {

FilasMotor FilasDeBanco(std::size_t n, const motor::Diseno& diseno, std::size_t clientes) {
    FilasMotor r;
    motor::TablaDatos& t = r.tabla;
    for (const motor::ColumnaPedida& c : motor::ColumnasPedidas(diseno))
        t.columnas.emplace_back(c.nombre, c.tipo);
    auto col = [&](const QString& nombre) -> motor::ColumnaDatos& {
        return t.columnas[std::size_t(t.Indice(nombre))];
    };
    motor::ColumnaDatos& cliente = col(QStringLiteral("Cliente"));
    motor::ColumnaDatos& fecha = col(QStringLiteral("Fecha"));
    motor::ColumnaDatos& hora = col(QStringLiteral("Hora"));
    motor::ColumnaDatos& movimiento = col(QStringLiteral("Movimiento"));
    motor::ColumnaDatos& folio = col(QStringLiteral("Folio"));
    motor::ColumnaDatos& ventas = col(QStringLiteral("Ventas"));
    motor::ColumnaDatos& devoluciones = col(QStringLiteral("Devoluciones"));
    motor::ColumnaDatos& pagos = col(QStringLiteral("Pagos"));
    motor::ColumnaDatos& anterior = col(QStringLiteral("SaldoAnterior"));
    motor::ColumnaDatos& actual = col(QStringLiteral("SaldoActual"));
    const char* tipos[] = {"Remisión", "Factura", "Devolución", "Pago"};
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t c = (i * 7919) % clientes;
        cliente.Agrega(QStringLiteral("C%1").arg(c, 4, 10, QLatin1Char('0')));
        fecha.Agrega(
            QDate(2024, 1, 1).addDays(qint64(i % 365)).toString(QStringLiteral("yyyy-MM-dd")));
        hora.Agrega(QStringLiteral("%1:%2:00")
                        .arg(i % 24, 2, 10, QLatin1Char('0'))
                        .arg(i % 60, 2, 10, QLatin1Char('0')));
        movimiento.Agrega(QString::fromUtf8(tipos[i % 4]));
        folio.Agrega(QStringLiteral("A %1").arg(i));
        const double importe = double(i % 100000) * 1.37 + 0.25;
        ventas.Agrega(i % 4 < 2 ? importe : 0);
        devoluciones.Agrega(i % 4 == 2 ? importe : 0);
        pagos.Agrega(i % 4 == 3 ? importe : 0);
        anterior.Agrega(double(i) * 10.5);
        actual.Agrega(double(i) * 10.5 + importe);
    }
    t.filas = n;

    for (const QString& campo : motor::CamposClasificados(diseno)) {
        const motor::ColumnaDatos& textos = col(campo);
        std::set<QString> distintos;
        for (std::size_t f = 0; f < n; ++f)
            distintos.insert(textos.Texto(f));
        motor::Clasificacion& clases = r.clases[campo];
        std::size_t rango = 0;
        for (const QString& v : distintos)
            clases.insert(v, {rango++, v});
    }
    return r;
}

} // namespace prueba
