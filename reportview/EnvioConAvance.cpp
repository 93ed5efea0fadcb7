#include "reportview/EnvioConAvance.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Salida.h"
#include "reportview/EnHilo.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QProgressDialog>
#include <atomic>

namespace motor {

namespace {

// Each statement laid out, written and dropped; false when cancelled part-way.
bool EscribeEstadosDe(const ReporteHecho& r, const std::vector<std::size_t>& grupos,
                      const QString& carpeta, const std::function<bool(std::size_t)>& sigue) {
    const QDir dir(carpeta);
    const QStringList nombres = NombresEstados(*r.datos);
    const QDateTime impreso = QDateTime::currentDateTime();
    std::vector<std::size_t> hechos;
    bool completo = true;
    for (const std::size_t g : grupos) {
        if (!sigue(hechos.size())) {
            completo = false;
            break;
        }
        EscribePdf(EstadoDeCuenta(r, g, impreso), dir.filePath(nombres[qsizetype(g)]));
        hechos.push_back(g);
    }
    EscribeCsv(IndiceEstados(r, nombres, hechos), dir.filePath(NombreIndiceEstados()));
    return completo;
}

} // namespace

QString TextoCuenta(std::size_t n) {
    return QLocale(QLocale::English).toString(qulonglong(n));
}

correo::Resumen EnviaConAvance(QWidget* padre, const ReporteHecho& reporte,
                               const PedidoEnvio& pedido, const AvanceVentana& avanzo) {
    if (!QDir().mkpath(pedido.carpeta))
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("No se pudo crear la carpeta «%1».")
                                                   .arg(QDir::toNativeSeparators(pedido.carpeta)));
    const std::size_t aEscribir = pedido.aEscribir.size();
    QProgressDialog progreso(
        QStringLiteral("Preparando estado 1 de %1").arg(TextoCuenta(aEscribir)),
        QStringLiteral("Cancelar"), 0, int(aEscribir), padre);
    progreso.setWindowTitle(QStringLiteral("Enviar por correo"));
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(0);
    progreso.setAutoClose(false);
    progreso.setAutoReset(false);
    progreso.setValue(0);
    // Asked from the sending thread, answered here: the Cancelar seen is the one clicked before.
    const auto sigueEscribiendo = [&](std::size_t hechos) {
        return EnVentana(&progreso, [&] {
            progreso.setValue(int(hechos));
            if (hechos < aEscribir)
                progreso.setLabelText(QStringLiteral("Preparando estado %1 de %2")
                                          .arg(TextoCuenta(hechos + 1), TextoCuenta(aEscribir)));
            return !progreso.wasCanceled();
        });
    };
    const auto sigueEnviando = [&](const correo::Asiento&, std::size_t hechos, std::size_t total) {
        return EnVentana(&progreso, [&] {
            progreso.setMaximum(int(total));
            progreso.setValue(int(hechos));
            progreso.setLabelText(
                QStringLiteral("Enviado %1 de %2").arg(TextoCuenta(hechos), TextoCuenta(total)));
            if (avanzo)
                avanzo(hechos, total);
            if (progreso.wasCanceled())
                progreso.setLabelText(QStringLiteral("Cancelando…"));
            return !progreso.wasCanceled();
        });
    };
    correo::Resumen resumen;
    EnHilo([&] {
        if (!EscribeEstadosDe(reporte, pedido.aEscribir, pedido.carpeta, sigueEscribiendo)) {
            resumen.cancelado = true;
            return;
        }
        EnVentana(&progreso, [&] {
            progreso.setLabelText(QStringLiteral("Enviando…"));
            progreso.setValue(0);
            return true;
        });
        resumen = correo::EnviaEstados(pedido.ajustes, pedido.contrasena, pedido.estados,
                                       pedido.carpeta, pedido.opciones, sigueEnviando);
    });
    return resumen;
}

void EscribeUnEstado(QWidget* padre, const ReporteHecho& reporte, std::size_t grupo,
                     const QString& carpeta) {
    if (!QDir().mkpath(carpeta))
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("No se pudo crear la carpeta «%1».")
                                                   .arg(QDir::toNativeSeparators(carpeta)));
    QProgressDialog ocupado(QStringLiteral("Preparando el estado de cuenta…"), QString(), 0, 0,
                            padre);
    ocupado.setWindowModality(Qt::WindowModal);
    ocupado.setMinimumDuration(500);
    EnHilo([&] {
        EscribePdf(EstadoDeCuenta(reporte, grupo, QDateTime::currentDateTime()),
                   QDir(carpeta).filePath(NombresEstados(*reporte.datos)[qsizetype(grupo)]));
    });
}

} // namespace motor
