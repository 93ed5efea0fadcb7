#pragma once

#include "app/CampoEntrada.h"
#include "app/Etiqueta.h"
#include "app/MensajesVentana.h"
#include "app/SondaServidor.h"
#include "host/Error.h"
#include "movements/CopiaDeTrabajo.h"
#include "report/ModuloReportes.h"
#include "reportengine/ControlReporte.h"
#include "startup/Inicio.h"
#include "startup/modComun.h"

#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// How the window is set in its run.
struct OpcionesVentana {
    // Where Quiltaro.ini lies and the current directory of the run: the executable's folder.
    QString carpetaEjecutable;
    // Where messages go; null means the window's own message boxes.
    qm::PuertoMensajes* mensajes = nullptr;
    // Ends the program with this exit status, once the shutdown sequence has run.
    std::function<void(int)> alTerminar;
    // Makes the report control the Print command drives; null means Print has no report.
    std::function<std::unique_ptr<motor::ControlReporte>()> creaControlReporte = {};
    // How long Print waits while another copy of the program prints from this database.
    std::chrono::seconds esperaImpresion = movimientos::EsperaImpresion;
    // Opens the connection dialog; true when it saved the settings. When set, a start-up that
    // fails for a setting offers it as a second choice; null offers nothing.
    std::function<bool()> configuraConexion = {};
    // Opens the connection dialog before start-up (the program's --conexion).
    bool empiezaConfigurando = false;
};

// The program's one window. Its Load runs the start-up sequence and its Unload, on every
// close, the shutdown sequence; in between every event handler is entered through one wrapper
// that shows a failure as "Error no. N: description" and keeps the window usable.
class frmPrincipal : public QWidget, public inicio::VentanaInicio {
    Q_OBJECT
public:
    explicit frmPrincipal(OpcionesVentana opciones, QWidget* padre = nullptr);
    ~frmPrincipal() override;

    // The start-up sequence. False when the program ends instead: the message has been shown,
    // the window closed and the shutdown run. A failure of settings offers the connection
    // dialog; once it saved, the sequence runs again.
    bool Form_Load();
    // The shutdown sequence, then the end of the program; runs once.
    void Form_Unload();
    bool terminado() const { return terminado_; }
    int codigoSalida() const { return codigoSalida_; }

    // Text of date field `index` as the user sees it; setting the empty-date text empties it.
    QString Texto(int index) const { return mkeFecha[index]->Texto(); }
    void PonTexto(int index, const QString& texto);
    const QString& FormatoFecha(int index) const { return formatos_[index]; }

    // The controls.
    Etiqueta* Label3;
    Etiqueta* Label2;
    std::array<Etiqueta*, 2> Label1;
    std::array<CampoEntrada*, 2> mkeFecha;
    CampoEntrada* txtCliente;
    Etiqueta* Label4;
    QPushButton* cmdImprimir;
    // The report control and the report module that drives it, made at the first Print.
    std::unique_ptr<motor::ControlReporte> crpReporte;
    std::unique_ptr<modRPTs::ModuloReportes> reportes;

    // What the window holds for the run.
    inicio::modComun objetos;
    inicio::EstadoPrincipal estado;

    // inicio::VentanaInicio
    void PreparaFecha(int index, const QString& mascara, const QString& formato,
                      const QString& texto) override;
    void PonEstado(const QString& caption) override { Label3->PonCaption(caption); }
    QString Titulo() const override { return windowTitle(); }
    void PonTitulo(const QString& caption) override { setWindowTitle(caption); }
    qm::PuertoMensajes& Mensajes() override { return *mensajes_; }
    void Cierra() override;

protected:
    void closeEvent(QCloseEvent* evento) override;

    // Event handlers.
    void mkeFecha_GotFocus(int index);
    void mkeFecha_KeyDown(int index, int& KeyCode);
    void mkeFecha_KeyPress(int index, int& KeyAscii);
    void mkeFecha_Validate(int index);
    void txtCliente_GotFocus();
    void txtCliente_KeyDown(int& KeyCode);
    void txtCliente_KeyPress(int& KeyAscii);
    void txtCliente_Change();
    virtual void cmdImprimir_Click();

private:
    void CreaControles();
    void ConectaEventos();
    // The one way into an event handler: a failure is shown, never passed to the event loop.
    void Protege(const std::function<void()>& manejador) noexcept;
    void MuestraError(const qm::Error& error) noexcept;
    // One run of the start-up sequence; true when done, else whether the user chose to set
    // the connection up.
    bool IntentaArranque(bool& configurar);
    // The date check of the field being left, when the focus goes to another control of this
    // window (not to another window, nor away because the window closes).
    void AlSalirDeFecha(int index, Qt::FocusReason razon);
    // Focus coming back with the window (after a message box) is not a new GotFocus.
    bool EsGotFocus(const QWidget* campo, Qt::FocusReason razon);
    // Before Print runs: the date field that still holds the focus is checked as if left.
    void ValidaFechaConFoco();
    // The lookup at each change of the customer code. It only confirms the code to the user:
    // a failure is told once, then no more until a lookup succeeds again. A server that does
    // not answer is asked nothing more until it answers again (sonda_), and then the name of
    // the code in the field comes back by itself.
    void BuscaCliente();
    void ServidorDeVuelta();
    // The lookup's message waits until the user stops typing: a message box opened while a
    // code is typed would take the rest of it.
    void AvisaAlPausar(const qm::Mensaje& mensaje);
    void MuestraAvisoPendiente();

    OpcionesVentana opciones_;
    MensajesVentana mensajesPropios_;
    qm::PuertoMensajes* mensajes_;
    std::array<QString, 2> formatos_;
    const QWidget* ultimoEnfocado_ = nullptr;
    bool terminado_ = false;
    bool imprimiendo_ = false;
    bool busquedaCallada_ = false; // a failed lookup has been told
    SondaServidor sonda_;
    std::optional<qm::Mensaje> avisoPendiente_;
    QTimer pausaTecleo_; // runs out when the user has stopped typing
    int codigoSalida_ = 0;
};
