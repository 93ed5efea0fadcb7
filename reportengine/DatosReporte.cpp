#include "reportengine/DatosReporte.h"

#include "reportengine/ErroresMotor.h"

#include <algorithm>
#include <numeric>

namespace motor {

std::vector<ColumnaPedida> ColumnasPedidas(const Diseno& d) {
    std::vector<ColumnaPedida> c;
    auto pide = [&](const QString& nombre, bool numerica) {
        if (nombre.isEmpty())
            return;
        for (ColumnaPedida& ya : c) {
            if (ya.nombre.compare(nombre, Qt::CaseInsensitive) == 0) {
                ya.numerica = ya.numerica || numerica;
                return;
            }
        }
        c.push_back({nombre, numerica});
    };
    pide(d.campoGrupo, false);
    for (const QString& campo : d.orden)
        pide(campo, false);
    for (const ColumnaDiseno& col : d.columnas)
        pide(col.campo, col.formato == FormatoCampo::Importe);
    pide(d.campoSaldoInicial, true);
    pide(d.campoSaldoFinal, true);
    return c;
}

QHash<QString, QString> Nombres(const TablaDatos& tabla) {
    QHash<QString, QString> nombres;
    if (tabla.columnas.size() < 2)
        return nombres;
    const ColumnaDatos& claves = tabla.columnas[0];
    const ColumnaDatos& textos = tabla.columnas[1];
    for (std::size_t i = 0; i < tabla.filas; ++i) {
        if (!nombres.contains(claves.textos[i]))
            nombres.insert(claves.textos[i], textos.textos[i]);
    }
    return nombres;
}

DatosReporte OrdenaYAgrupa(TablaDatos tabla, const Diseno& d,
                           const QHash<QString, QString>& nombres) {
    DatosReporte r;
    r.tabla = std::move(tabla);
    const TablaDatos& t = r.tabla;
    std::vector<int> claves;
    for (const QString& campo : d.orden) {
        const int i = t.Indice(campo);
        if (i < 0)
            throw ErrorMotor(
                errores::FaltaTablaOColumna,
                QStringLiteral("Falta la columna %1 en los datos del reporte.").arg(campo));
        claves.push_back(i);
    }
    const int grupo = t.Indice(d.campoGrupo);
    if (grupo < 0 || t.columnas[std::size_t(grupo)].numerica)
        throw ErrorMotor(
            errores::FaltaTablaOColumna,
            QStringLiteral("Falta la columna %1 en los datos del reporte.").arg(d.campoGrupo));

    r.orden.resize(t.filas);
    std::iota(r.orden.begin(), r.orden.end(), std::size_t{0});
    std::stable_sort(r.orden.begin(), r.orden.end(), [&](std::size_t a, std::size_t b) {
        for (const int k : claves) {
            const ColumnaDatos& c = t.columnas[std::size_t(k)];
            if (c.numerica) {
                if (c.numeros[a] != c.numeros[b])
                    return c.numeros[a] < c.numeros[b];
            } else {
                const int cmp = QString::compare(c.textos[a], c.textos[b], Qt::CaseSensitive);
                if (cmp != 0)
                    return cmp < 0;
            }
        }
        return false;
    });

    const std::vector<QString>& valores = t.columnas[std::size_t(grupo)].textos;
    for (std::size_t i = 0; i < r.orden.size(); ++i) {
        const QString& clave = valores[r.orden[i]];
        if (r.grupos.empty() || r.grupos.back().clave != clave)
            r.grupos.push_back({clave, nombres.value(clave), i, i});
        r.grupos.back().hasta = i + 1;
    }
    return r;
}

} // namespace motor
