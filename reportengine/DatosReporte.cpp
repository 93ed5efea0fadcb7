#include "reportengine/DatosReporte.h"

#include "reportengine/ErroresMotor.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <unordered_map>

namespace motor {

namespace {

ErrorMotor FaltaColumna(const QString& campo) {
    return ErrorMotor(errores::FaltaTablaOColumna,
                      QStringLiteral("Falta la columna %1 en los datos del reporte.").arg(campo));
}

// One sort key: the rank of each row's value.
using Llave = std::vector<std::uint32_t>;

// Ranks of a text column as the database orders it; values it did not classify after all
// others, in the order of their text.
Llave LlaveDeTexto(const ColumnaDatos& c, const Clasificacion& clases) {
    std::size_t siguiente = 0;
    for (const Clase& clase : clases)
        siguiente = std::max(siguiente, clase.rango + 1);
    const std::size_t filas = c.filas();
    // A column kept as numbers or codes is looked up once per distinct value.
    // First the row of each distinct value, then its rank.
    std::unordered_map<std::int64_t, std::size_t> porMarca;
    std::map<QString, std::size_t> extranos;
    for (std::size_t f = 0; f < filas; ++f) {
        if (c.HayMarcas() && !porMarca.emplace(c.Marca(f), f).second)
            continue;
        const QString v = c.Texto(f);
        if (!clases.contains(v))
            extranos.emplace(v, 0);
    }
    for (auto& [valor, rango] : extranos)
        rango = siguiente++;
    auto rango = [&](std::size_t fila) {
        const QString v = c.Texto(fila);
        const auto i = clases.constFind(v);
        return std::uint32_t(i != clases.cend() ? i->rango : extranos.at(v));
    };
    for (auto& [marca, r] : porMarca)
        r = rango(r);
    Llave k;
    k.reserve(filas);
    for (std::size_t f = 0; f < filas; ++f)
        k.push_back(c.HayMarcas() ? std::uint32_t(porMarca.at(c.Marca(f))) : rango(f));
    return k;
}

// Ranks of a numeric column: by value.
Llave LlaveDeNumero(const ColumnaDatos& c) {
    const std::size_t filas = c.filas();
    std::vector<double> valores;
    valores.reserve(filas);
    for (std::size_t f = 0; f < filas; ++f)
        valores.push_back(c.Numero(f));
    std::sort(valores.begin(), valores.end());
    valores.erase(std::unique(valores.begin(), valores.end()), valores.end());
    Llave k;
    k.reserve(filas);
    for (std::size_t f = 0; f < filas; ++f)
        k.push_back(std::uint32_t(std::lower_bound(valores.begin(), valores.end(), c.Numero(f)) -
                                  valores.begin()));
    return k;
}

} // namespace

std::vector<ColumnaPedida> ColumnasPedidas(const Diseno& d) {
    std::vector<ColumnaPedida> c;
    // A number wins over any text; a date or time over a plain text.
    auto pide = [&](const QString& nombre, TipoDato tipo) {
        if (nombre.isEmpty())
            return;
        for (ColumnaPedida& ya : c) {
            if (ya.nombre.compare(nombre, Qt::CaseInsensitive) == 0) {
                if (tipo == TipoDato::Numero || ya.tipo == TipoDato::Texto)
                    ya.tipo = ya.tipo == TipoDato::Numero ? ya.tipo : tipo;
                return;
            }
        }
        c.push_back({nombre, tipo});
    };
    pide(d.campoGrupo, TipoDato::Texto);
    for (const QString& campo : d.orden)
        pide(campo, TipoDato::Texto);
    for (const ColumnaDiseno& col : d.columnas) {
        switch (col.formato) {
        case FormatoCampo::Importe:
            pide(col.campo, TipoDato::Numero);
            break;
        case FormatoCampo::Fecha:
            pide(col.campo, TipoDato::Fecha);
            break;
        case FormatoCampo::Hora:
            pide(col.campo, TipoDato::Hora);
            break;
        case FormatoCampo::Texto:
            pide(col.campo, TipoDato::Texto);
            break;
        }
    }
    pide(d.campoSaldoInicial, TipoDato::Numero);
    pide(d.campoSaldoFinal, TipoDato::Numero);
    pide(d.campoVentas, TipoDato::Numero);
    return c;
}

QStringList CamposClasificados(const Diseno& d) {
    QStringList campos;
    const std::vector<ColumnaPedida> columnas = ColumnasPedidas(d);
    auto agrega = [&](const QString& campo) {
        for (const ColumnaPedida& c : columnas) {
            if (c.tipo != TipoDato::Numero && c.nombre.compare(campo, Qt::CaseInsensitive) == 0 &&
                !campos.contains(c.nombre))
                campos << c.nombre;
        }
    };
    agrega(d.campoGrupo);
    for (const QString& campo : d.orden)
        agrega(campo);
    return campos;
}

DatosReporte OrdenaYAgrupa(TablaDatos tabla, const Diseno& d,
                           const Clasificaciones& clasificaciones) {
    DatosReporte r;
    r.tabla = std::move(tabla);
    const TablaDatos& t = r.tabla;
    const int grupo = t.Indice(d.campoGrupo);
    if (grupo < 0 || t[grupo].numerica())
        throw FaltaColumna(d.campoGrupo);

    // The group field first, so that a group's rows are together whatever the sort fields.
    std::vector<Llave> llaves;
    std::vector<int> usadas;
    QStringList campos{d.campoGrupo};
    campos << d.orden;
    for (const QString& campo : campos) {
        const int i = t.Indice(campo);
        if (i < 0)
            throw FaltaColumna(campo);
        if (std::find(usadas.begin(), usadas.end(), i) != usadas.end())
            continue;
        usadas.push_back(i);
        const ColumnaDatos& c = t[i];
        llaves.push_back(c.numerica() ? LlaveDeNumero(c)
                                      : LlaveDeTexto(c, clasificaciones.value(c.nombre())));
    }

    r.orden.resize(t.filas);
    std::iota(r.orden.begin(), r.orden.end(), std::size_t{0});
    std::stable_sort(r.orden.begin(), r.orden.end(), [&](std::size_t a, std::size_t b) {
        for (const Llave& k : llaves) {
            if (k[a] != k[b])
                return k[a] < k[b];
        }
        return false;
    });

    // A group shows the database's representative of its first row's value.
    const Llave& g = llaves.front();
    const Clasificacion clasesGrupo = clasificaciones.value(t[grupo].nombre());
    for (std::size_t i = 0; i < r.orden.size(); ++i) {
        const std::size_t fila = r.orden[i];
        if (i == 0 || g[fila] != g[r.orden[i - 1]]) {
            const QString valor = t[grupo].Texto(fila);
            const auto clase = clasesGrupo.constFind(valor);
            r.grupos.push_back(
                {clase != clasesGrupo.cend() ? clase->representante : valor, QString(), i, i});
        }
        r.grupos.back().hasta = i + 1;
    }
    r.lugares = UbicaCampos(t, d);
    return r;
}

LugaresDatos UbicaCampos(const TablaDatos& t, const Diseno& d) {
    LugaresDatos l;
    auto numero = [&](const QString& campo) {
        const int i = campo.isEmpty() ? -1 : t.Indice(campo);
        return i >= 0 && t[i].numerica() ? i : -1;
    };
    l.saldoInicial = numero(d.campoSaldoInicial);
    l.saldoFinal = numero(d.campoSaldoFinal);
    l.ventas = numero(d.campoVentas);
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        const ColumnaDiseno& c = d.columnas[k];
        const int i = t.Indice(c.campo);
        l.columnas.push_back(i);
        if (c.formato == FormatoCampo::Fecha && l.fecha < 0 && i >= 0 && !t[i].numerica())
            l.fecha = i;
        if (l.columnaSaldoFinal < 0 && !d.campoSaldoFinal.isEmpty() &&
            c.campo.compare(d.campoSaldoFinal, Qt::CaseInsensitive) == 0)
            l.columnaSaldoFinal = int(k);
    }
    return l;
}

std::vector<QString> ClavesDeGrupos(const DatosReporte& datos) {
    std::vector<QString> claves;
    claves.reserve(datos.grupos.size());
    for (const GrupoDatos& g : datos.grupos)
        claves.push_back(g.clave);
    return claves;
}

void PonNombres(DatosReporte& datos, const QHash<QString, QString>& nombres) {
    for (GrupoDatos& g : datos.grupos)
        g.nombre = nombres.value(g.clave);
}

} // namespace motor
