#include "app/frmPrincipal.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Movimientos.h"

#include <QApplication>
#include <QDate>
#include <optional>

namespace {

// The busy pointer while it lives, the default one again however the command ends.
class PunteroOcupado {
public:
    PunteroOcupado() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~PunteroOcupado() { QApplication::restoreOverrideCursor(); }
    PunteroOcupado(const PunteroOcupado&) = delete;
    PunteroOcupado& operator=(const PunteroOcupado&) = delete;
};

// Marks a Print as running; a second click while it runs does nothing.
class UnaALaVez {
public:
    explicit UnaALaVez(bool& ocupado) : ocupado_(ocupado) { ocupado_ = true; }
    ~UnaALaVez() { ocupado_ = false; }
    UnaALaVez(const UnaALaVez&) = delete;
    UnaALaVez& operator=(const UnaALaVez&) = delete;

private:
    bool& ocupado_;
};

} // namespace

// Print: builds the movements of the request, then hands the template to the report runner,
// which reports its own failures. A failure of the builder reaches the handler's wrapper,
// which shows it; the pointer comes back either way. The working copy is shared with every
// other copy of the program on this database: it is held from the truncate until the report
// engine has read it (the preview then stays open without holding it). When another Print
// keeps it for the whole wait, nothing is built and the user is told to try again.
void frmPrincipal::cmdImprimir_Click() {
    if (imprimiendo_)
        return;
    UnaALaVez unaVez(imprimiendo_);
    std::optional<PunteroOcupado> puntero(std::in_place);

    const auto construye = [&] {
        movimientos::GeneraMovimientos({*objetos.libQMCM, *objetos.BasesDD, *objetos.Utilerias},
                                       estado.cn, estado.cSQL,
                                       {Texto(0), Texto(1), txtCliente->text()});
    };
    const auto imprime = [&] {
        if (!reportes) {
            if (!crpReporte && opciones_.creaControlReporte)
                crpReporte = opciones_.creaControlReporte();
            if (!crpReporte)
                return;
            reportes = std::make_unique<modRPTs::ModuloReportes>(
                *objetos.BasesDD, *objetos.DelRegistro, *crpReporte, *mensajes_);
        }
        crpReporte->PonSolicitud(
            {qm::LeeFecha(Texto(0)).value_or(QDate()), qm::LeeFecha(Texto(1)).value_or(QDate()),
             txtCliente->text().trimmed().isEmpty() ? QString() : txtCliente->text()});
        reportes->LimpiaReporte();
        reportes->parametros().ArchivoReporte = opciones_.carpetaEjecutable + "/quiltaro.rpt";
        reportes->parametros().Propiedad24 = 0;
        reportes->ImprimeReporte(QString(), QStringLiteral("ravesta*tmpravesta"));
    };
    if (movimientos::ImprimeConCopia(*objetos.BasesDD, estado.cn, estado.cSQL, construye, imprime,
                                     opciones_.esperaImpresion))
        return;
    puntero.reset();
    mensajes_->Muestra(
        {QStringLiteral("Quiltaro"), movimientos::MensajeOcupado(), qm::Icono::Exclamacion});
}
