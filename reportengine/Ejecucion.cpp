#include "reportengine/Ejecucion.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/OdbcMotor.h"

#include <QDateTime>

namespace motor {

namespace {

// Reads table 0 and asks the database how it orders and groups it; names from their table.
DatosReporte Lee(const Plantilla& plantilla, const Corrida& c) {
    const int tablas = int(plantilla.tablas.size());
    if (!c.ubicaciones.empty() && c.ubicaciones.rbegin()->first >= tablas)
        throw ErrorMotor(errores::UbicacionFueraDeRango,
                         QStringLiteral("Se indicó la ubicación de la tabla %1 y el reporte tiene "
                                        "%2 tablas.")
                             .arg(c.ubicaciones.rbegin()->first)
                             .arg(tablas));
    // One connection per data source: the tables of a report usually share it.
    std::map<QString, std::unique_ptr<ConexionOdbc>> conexiones;
    auto ubicacion = [&](int i) {
        const auto u = c.ubicaciones.find(i);
        if (u == c.ubicaciones.end() || u->second.isEmpty())
            throw ErrorMotor(errores::SinUbicacion,
                             QStringLiteral("La tabla %1 (%2) del reporte no recibió su ubicación.")
                                 .arg(i)
                                 .arg(plantilla.tablas[std::size_t(i)].nombre));
        return u->second;
    };
    auto fuente = [&](int i) -> FuenteDatos& {
        const QString cadena = CadenaConexion(plantilla.tablas[std::size_t(i)].fuente, c.conexion);
        auto& cn = conexiones[cadena];
        if (!cn)
            cn = std::make_unique<ConexionOdbc>(cadena);
        return *cn;
    };
    for (int i = 0; i < tablas; ++i)
        ubicacion(i);
    const Diseno& d = plantilla.diseno;
    const QString filas = ubicacion(0);
    FuenteDatos& datos = fuente(0);
    TablaDatos tabla = datos.Lee(filas, ColumnasPedidas(d));
    Clasificaciones clases;
    for (const QString& campo : CamposClasificados(d))
        clases.insert(campo, datos.Clasifica(filas, campo));
    DatosReporte r = OrdenaYAgrupa(std::move(tabla), d, clases);
    if (d.tablaNombres >= 0)
        PonNombres(r, fuente(d.tablaNombres)
                          .Busca(ubicacion(d.tablaNombres), d.campoClave, d.campoNombre,
                                 ClavesDeGrupos(r)));
    return r;
}

} // namespace

ReporteListo EjecutaReporte(const Plantilla& plantilla, const Corrida& corrida,
                            const Avance& avance, const PrimeraPagina& primera) {
    ReporteListo r;
    r.diseno = plantilla.diseno;
    r.solicitud = corrida.solicitud.value_or(Solicitud{});
    r.datos = std::make_shared<const DatosReporte>(Lee(plantilla, corrida));
    // Totals, balances and their ageing once, for the pages, the workbook and the statements.
    r.cuentas = std::make_shared<const Cuentas>(
        CalculaCuentas(*r.datos, r.diseno, DiaDeAntiguedad(r.solicitud.hasta)));
    Encargo encargo;
    if (corrida.solicitud)
        encargo.subtitulo = DescribeSolicitud(*corrida.solicitud);
    r.documento = Renderiza(r.datos, r.cuentas, r.diseno, QDateTime::currentDateTime(), encargo,
                            avance, primera);
    r.hojas = Hojas(r.datos, r.cuentas, r.diseno);
    return r;
}

} // namespace motor
