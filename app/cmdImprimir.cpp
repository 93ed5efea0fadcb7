#include "app/frmPrincipal.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Movimientos.h"
#include "movements/Tablas.h"
#include "reportengine/ControlReporte.h"

#include <QApplication>
#include <QDate>
#include <QInputEvent>
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

// While it lives the user's input (keys, mouse, closing the window) is refused, for all the
// program's windows; everything else (painting, timers) goes on.
class RechazaEntrada final : public QObject {
public:
    RechazaEntrada() { QCoreApplication::instance()->installEventFilter(this); }
    ~RechazaEntrada() override { QCoreApplication::instance()->removeEventFilter(this); }
    RechazaEntrada(const RechazaEntrada&) = delete;
    RechazaEntrada& operator=(const RechazaEntrada&) = delete;

protected:
    bool eventFilter(QObject* /*objeto*/, QEvent* evento) override {
        return dynamic_cast<QInputEvent*>(evento) != nullptr ||
               evento->type() == QEvent::InputMethod || evento->type() == QEvent::Close;
    }
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
// keeps it for the whole wait, nothing is built and the user is told to try again. During
// that wait the window keeps painting under the busy pointer and takes no input.
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
        reportes->parametros().Propiedad24 = std::int16_t(motor::Destino::Pantalla);
        // The template's table points at the working copy.
        reportes->ImprimeReporte(QString(), movimientos::TablaRavesta() + QLatin1Char('*') +
                                                movimientos::TablaTrabajo());
    };
    const auto entretanto = [] {
        const RechazaEntrada rechazo;
        QCoreApplication::processEvents();
    };
    if (movimientos::ImprimeConCopia(*objetos.BasesDD, estado.cn, estado.cSQL, construye, imprime,
                                     opciones_.esperaImpresion, movimientos::BaseReportes(),
                                     entretanto))
        return;
    puntero.reset();
    mensajes_->Muestra(
        {QStringLiteral("Quiltaro"), movimientos::MensajeOcupado(), qm::Icono::Exclamacion});
}
