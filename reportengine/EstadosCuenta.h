#pragma once

#include "reportengine/Cuentas.h"
#include "reportengine/DatosReporte.h"
#include "reportengine/Exportacion.h"
#include "reportengine/Membrete.h"
#include "reportengine/Paginas.h"
#include "reportengine/Plantilla.h"
#include "reportengine/Solicitud.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace motor {

// The name of the index written beside the statements.
QString NombreIndiceEstados();

// A text made into a file name that Linux and Windows both take: characters either refuses
// become "_", no trailing dot or blank, no reserved Windows device name, at most 150
// characters (UTF-8 stays well under 255 bytes).
QString NombreSeguro(const QString& texto);

// Each group's statement file name, "C001 - Ferretería Fina.pdf", made safe; names that would
// be the same (or differ only in case) get " (2)", " (3)" in the order of the groups.
QStringList NombresEstados(const DatosReporte& datos);

// The statements of a report: its rows, their groups' numbers and what the user asked for.
struct ReporteHecho {
    std::shared_ptr<const DatosReporte> datos;
    std::shared_ptr<const Cuentas> cuentas;
    Diseno diseno;
    Solicitud solicitud;
    // The shop's letterhead at the top of every statement (CargaMembrete); none when null.
    std::shared_ptr<const Membrete> membrete = nullptr;
};

// Lays out one group's statement: the report's layout for that customer under the title
// "Estado de cuenta", the period as typed, the closing balance's ageing under it, and the
// letterhead over them when the report has one.
Documento EstadoDeCuenta(const ReporteHecho& reporte, std::size_t grupo, const QDateTime& impreso);

// The index: one row per statement done (those groups, in order), code, name, file name,
// opening balance, period totals, closing balance and its ageing as printed.
Hoja IndiceEstados(const ReporteHecho& reporte, const QStringList& nombres,
                   std::vector<std::size_t> hechos);

// Of the files a run would write in the folder, those already there.
QStringList EstadosExistentes(const QString& carpeta, const QStringList& nombres);

// Called after each statement written: statements done and in all; false stops the run.
using SigueEstados = std::function<bool(std::size_t hechos, std::size_t total)>;

// Writes every statement in the folder, then the index of those done. Each statement is laid
// out, written and dropped on its own; hilos of them at a time in threads of their own (0: one
// per core, at most 4), while sigue is called on the calling thread as each one is finished.
// Cancelling lets the statements under way finish and keeps all finished. Returns how many were
// written. A file that cannot be written stops the run (the index still lists the finished
// ones) and fails with ErrorSalida naming it.
std::size_t EscribeEstados(const ReporteHecho& reporte, const QString& carpeta,
                           const QDateTime& impreso, const SigueEstados& sigue = {}, int hilos = 0);

} // namespace motor
