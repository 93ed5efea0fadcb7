#include "reportengine/DatosReporte.h"

#include "reportengine/ErroresMotor.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace motor {

namespace {

ErrorMotor FaltaColumna(const QString& campo) {
    return ErrorMotor(errores::FaltaTablaOColumna,
                      QStringLiteral("Falta la columna %1 en los datos del reporte.").arg(campo));
}

// One sort key: the rank of each row's value.
struct Llave {
    std::vector<std::size_t> rangos;
    std::vector<QString> representantes; // for the group field only
};

// Ranks of a text column as the database orders it; values it did not classify after all
// others, in the order of their text.
Llave LlaveDeTexto(const ColumnaDatos& c, const Clasificacion& clases, bool representa) {
    std::size_t siguiente = 0;
    for (const Clase& clase : clases)
        siguiente = std::max(siguiente, clase.rango + 1);
    std::map<QString, std::size_t> extranos;
    for (const QString& v : c.textos) {
        if (!clases.contains(v))
            extranos.emplace(v, 0);
    }
    for (auto& [valor, rango] : extranos)
        rango = siguiente++;
    Llave k;
    k.rangos.reserve(c.textos.size());
    for (const QString& v : c.textos) {
        const auto i = clases.constFind(v);
        k.rangos.push_back(i != clases.cend() ? i->rango : extranos.at(v));
        if (representa)
            k.representantes.push_back(i != clases.cend() ? i->representante : v);
    }
    return k;
}

// Ranks of a numeric column: by value.
Llave LlaveDeNumero(const ColumnaDatos& c) {
    std::vector<double> valores = c.numeros;
    std::sort(valores.begin(), valores.end());
    valores.erase(std::unique(valores.begin(), valores.end()), valores.end());
    Llave k;
    k.rangos.reserve(c.numeros.size());
    for (const double v : c.numeros)
        k.rangos.push_back(
            std::size_t(std::lower_bound(valores.begin(), valores.end(), v) - valores.begin()));
    return k;
}

} // namespace

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
    constexpr bool Numerica = true;
    constexpr bool Cualquiera = false;
    pide(d.campoGrupo, Cualquiera);
    for (const QString& campo : d.orden)
        pide(campo, Cualquiera);
    for (const ColumnaDiseno& col : d.columnas)
        pide(col.campo, col.formato == FormatoCampo::Importe);
    pide(d.campoSaldoInicial, Numerica);
    pide(d.campoSaldoFinal, Numerica);
    return c;
}

QStringList CamposClasificados(const Diseno& d) {
    QStringList campos;
    const std::vector<ColumnaPedida> columnas = ColumnasPedidas(d);
    auto agrega = [&](const QString& campo) {
        for (const ColumnaPedida& c : columnas) {
            if (!c.numerica && c.nombre.compare(campo, Qt::CaseInsensitive) == 0 &&
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
    if (grupo < 0 || t.columnas[std::size_t(grupo)].numerica)
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
        const ColumnaDatos& c = t.columnas[std::size_t(i)];
        llaves.push_back(c.numerica ? LlaveDeNumero(c)
                                    : LlaveDeTexto(c, clasificaciones.value(c.nombre), i == grupo));
    }

    r.orden.resize(t.filas);
    std::iota(r.orden.begin(), r.orden.end(), std::size_t{0});
    std::stable_sort(r.orden.begin(), r.orden.end(), [&](std::size_t a, std::size_t b) {
        for (const Llave& k : llaves) {
            if (k.rangos[a] != k.rangos[b])
                return k.rangos[a] < k.rangos[b];
        }
        return false;
    });

    const Llave& g = llaves.front();
    for (std::size_t i = 0; i < r.orden.size(); ++i) {
        const std::size_t fila = r.orden[i];
        if (i == 0 || g.rangos[fila] != g.rangos[r.orden[i - 1]])
            r.grupos.push_back({g.representantes[fila], QString(), i, i});
        r.grupos.back().hasta = i + 1;
    }
    return r;
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
