#pragma once

#include "reportengine/Cuentas.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Exportacion.h"
#include "reportengine/Paginas.h"
#include "reportengine/Plantilla.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Solicitud.h"

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace motor {

// What a run reads: the template's tables at their locations, over the connection text.
struct Corrida {
    QString conexion;                   // the runner's connection text
    std::map<int, QString> ubicaciones; // table number (from 0) -> location
    std::optional<Solicitud> solicitud; // none: no request line under the title
};

// The finished report: its rows, numbers, pages and sheets, ready for any output (EscribePdf,
// EscribeXlsx, EscribeCsv of the first sheet, EscribeEstados of Hecho()).
struct ReporteListo {
    std::shared_ptr<const DatosReporte> datos;
    std::shared_ptr<const Cuentas> cuentas;
    Diseno diseno;
    Solicitud solicitud;
    Documento documento;
    std::vector<Hoja> hojas;

    ReporteHecho Hecho() const { return {datos, cuentas, diseno, solicitud}; }
};

// The engine's whole run, without a window: reads table 0 over ODBC and asks the database how
// it orders and groups it, looks the names up, sums the totals and ages the balances as of the
// end of the period asked for (else today), and lays the pages out. Fails with ErrorMotor.
ReporteListo EjecutaReporte(const Plantilla& plantilla, const Corrida& corrida,
                            const Avance& avance = {}, const PrimeraPagina& primera = {});

} // namespace motor
