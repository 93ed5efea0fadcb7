#include "app/frmPrincipal.h"
#include "host/ErrorMysql.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"

#include <QApplication>

namespace {

const QString PlantillaCliente =
    movimientos::TablaClientes() + QStringLiteral(" where Clave='XXX'");

qm::Mensaje SinServidor(const qm::Conexion& cn, const qm::Error& error) {
    return {QStringLiteral("Quiltaro"),
            QStringLiteral("No se puede conectar con el servidor de la base de datos "
                           "(%1).\rEl nombre del cliente no se mostrará mientras el "
                           "servidor no responda.\r\r%2")
                .arg(qm::ServidorYPuerto(cn.parametros()), error.texto()),
            qm::Icono::Exclamacion};
}

} // namespace

void frmPrincipal::ConectaEventos() {
    for (int index : {0, 1}) {
        mkeFecha[index]->PonEventos({
            [this, index](Qt::FocusReason razon) {
                if (EsGotFocus(mkeFecha[index], razon))
                    Protege([&] { mkeFecha_GotFocus(index); });
            },
            [this, index](Qt::FocusReason razon) { AlSalirDeFecha(index, razon); },
            [this, index](int& tecla) { Protege([&] { mkeFecha_KeyDown(index, tecla); }); },
            [this, index](int& caracter) { Protege([&] { mkeFecha_KeyPress(index, caracter); }); },
        });
    }
    txtCliente->PonEventos({
        [this](Qt::FocusReason razon) {
            if (EsGotFocus(txtCliente, razon))
                Protege([&] { txtCliente_GotFocus(); });
        },
        nullptr,
        [this](int& tecla) {
            // Still typing: the lookup's message waits.
            if (avisoPendiente_)
                pausaTecleo_.start();
            Protege([&] { txtCliente_KeyDown(tecla); });
        },
        [this](int& caracter) { Protege([&] { txtCliente_KeyPress(caracter); }); },
    });
    connect(txtCliente, &QLineEdit::textChanged, this,
            [this] { Protege([&] { BuscaCliente(); }); });
    connect(cmdImprimir, &QPushButton::clicked, this, [this] {
        Protege([&] {
            // Alt+I presses the button without moving the focus: move it, so that the date
            // field being left is checked before Print reads it.
            if (!cmdImprimir->hasFocus())
                cmdImprimir->setFocus(Qt::ShortcutFocusReason);
            ValidaFechaConFoco();
            cmdImprimir_Click();
        });
    });
}

bool frmPrincipal::EsGotFocus(const QWidget* campo, Qt::FocusReason razon) {
    if (razon == Qt::PopupFocusReason)
        return false;
    if (razon == Qt::ActiveWindowFocusReason && campo == ultimoEnfocado_)
        return false;
    ultimoEnfocado_ = campo;
    return true;
}

void frmPrincipal::AlSalirDeFecha(int index, Qt::FocusReason razon) {
    if (razon == Qt::ActiveWindowFocusReason || razon == Qt::PopupFocusReason)
        return;
    const QWidget* destino = QApplication::focusWidget();
    if (!destino || destino == mkeFecha[index] || destino->window() != this)
        return;
    Protege([&] { mkeFecha_Validate(index); });
}

void frmPrincipal::ValidaFechaConFoco() {
    for (int index : {0, 1})
        if (mkeFecha[index]->hasFocus())
            mkeFecha_Validate(index);
}

void frmPrincipal::mkeFecha_GotFocus(int index) {
    objetos.libQMCM->Resalta(mkeFecha[index]);
}

void frmPrincipal::mkeFecha_KeyDown(int /*index*/, int& KeyCode) {
    objetos.libQMCM->Teclas(KeyCode);
}

void frmPrincipal::mkeFecha_KeyPress(int /*index*/, int& KeyAscii) {
    objetos.libQMCM->Enter(KeyAscii, QStringLiteral("!"));
}

void frmPrincipal::mkeFecha_Validate(int index) {
    if (!qm::LeeFecha(Texto(index)))
        PonTexto(index, objetos.libQMCM->FechaVacia());
}

void frmPrincipal::txtCliente_GotFocus() {
    objetos.libQMCM->Resalta(txtCliente);
}

void frmPrincipal::txtCliente_KeyDown(int& KeyCode) {
    objetos.libQMCM->Teclas(KeyCode);
}

void frmPrincipal::txtCliente_KeyPress(int& KeyAscii) {
    objetos.libQMCM->Enter(KeyAscii, QStringLiteral("!"));
}

void frmPrincipal::BuscaCliente() {
    if (avisoPendiente_)
        pausaTecleo_.start();
    if (sonda_.activa()) {
        // Asking a server that does not answer would hold the typing each time.
        Label4->PonCaption(QString());
        Label4->setVisible(false);
        return;
    }
    try {
        txtCliente_Change();
    } catch (const qm::Error& error) {
        const bool sinServidor = qm::ServidorInalcanzable(error);
        if (sinServidor)
            sonda_.Empieza(estado.cn.parametros(), [this] { ServidorDeVuelta(); });
        if (busquedaCallada_)
            return;
        busquedaCallada_ = true;
        AvisaAlPausar(sinServidor ? SinServidor(estado.cn, error)
                                  : qm::Mensaje{QStringLiteral("Quiltaro"), error.texto(),
                                                qm::Icono::Critico});
        return;
    }
    // The empty code asks the server nothing, so it proves nothing.
    if (txtCliente->text() != QString()) {
        busquedaCallada_ = false;
        avisoPendiente_.reset();
    }
}

void frmPrincipal::ServidorDeVuelta() {
    if (terminado_)
        return;
    // A Print under way (waiting for the working copy) has the connection: after it.
    if (imprimiendo_) {
        QTimer::singleShot(std::chrono::milliseconds(200), this, [this] { ServidorDeVuelta(); });
        return;
    }
    Protege([&] { BuscaCliente(); });
}

void frmPrincipal::txtCliente_Change() {
    Label4->PonCaption(QString());
    qm::Recordset rsCliente;
    // The name area follows the caption also when the lookup fails half way.
    struct MuestraNombre {
        Etiqueta* etiqueta;
        ~MuestraNombre() { etiqueta->setVisible(etiqueta->Caption() != QString()); }
    } muestra{Label4};

    const QString cClave = txtCliente->text();
    if (cClave != QString()) {
        // The code goes into the SQL text escaped, so that any code is looked up as typed.
        const QString cExpresion =
            objetos.Utilerias->CambXXX(PlantillaCliente, estado.cn.Escapa(cClave));
        if (objetos.BasesDD->AbrirTabla(rsCliente, estado.cn, cExpresion,
                                        QStringLiteral("Nombre"))) {
            const QVariant nombre = rsCliente.Valor(QStringLiteral("Nombre"));
            if (!nombre.isNull())
                Label4->PonCaption(nombre.toString());
        }
    }
    objetos.BasesDD->CierraTabla(rsCliente);
}
