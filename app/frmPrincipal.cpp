#include "app/frmPrincipal.h"

#include "startup/Conexion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <exception>

namespace {

// 9.75 points at 96 dots per inch.
constexpr int PixelesFuente = 13;

// How long the customer field must rest before the lookup's message is shown: longer than the
// gap between two keystrokes of someone typing a code.
constexpr std::chrono::milliseconds PausaDeTecleo{1200};

QFont FuenteVentana() {
    const QString clasica = QStringLiteral("MS Sans Serif");
    if (QFontDatabase::families().contains(clasica, Qt::CaseInsensitive)) {
        QFont fuente(clasica);
        fuente.setPointSizeF(9.75);
        return fuente;
    }
    // The layout is measured for the Windows sans-serif; a wider one (DejaVu Sans) does not fit
    // "Fecha inicial:" into its label. Microsoft Sans Serif and Arial are Windows' own;
    // Liberation Sans has Arial's widths and scripts/install.sh installs it on Debian.
    QFont fuente = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    fuente.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                        QStringLiteral("Liberation Sans"), fuente.family()});
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPixelSize(PixelesFuente);
    fuente.setWeight(QFont::Normal);
    fuente.setItalic(false);
    fuente.setUnderline(false);
    fuente.setStrikeOut(false);
    return fuente;
}

QIcon IconoVentana() {
    QPixmap imagen(32, 32);
    imagen.fill(QColor(224, 243, 254));
    QPainter pintor(&imagen);
    pintor.setPen(QColor(0, 64, 128));
    pintor.drawRect(1, 1, 29, 29);
    for (int renglon = 0; renglon < 4; ++renglon)
        pintor.drawLine(6, 8 + renglon * 5, 25, 8 + renglon * 5);
    return QIcon(imagen);
}

} // namespace

frmPrincipal::frmPrincipal(OpcionesVentana opciones, QWidget* padre)
    : QWidget(padre), opciones_(std::move(opciones)), mensajesPropios_(this),
      mensajes_(opciones_.mensajes ? opciones_.mensajes : &mensajesPropios_), sonda_(nullptr) {
    pausaTecleo_.setSingleShot(true);
    pausaTecleo_.setInterval(PausaDeTecleo);
    connect(&pausaTecleo_, &QTimer::timeout, this, [this] { MuestraAvisoPendiente(); });
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Reporte de movimientos de clientes"));
    setWindowIcon(IconoVentana());
    setFont(FuenteVentana());
    setFixedSize(496, 337);
    CreaControles();
    ConectaEventos();
}

frmPrincipal::~frmPrincipal() = default;

void frmPrincipal::CreaControles() {
    Label3 = new Etiqueta(this);
    Label2 = new Etiqueta(this);
    mkeFecha[0] = new CampoEntrada(this);
    Label1[1] = new Etiqueta(this);
    mkeFecha[1] = new CampoEntrada(this);
    Label1[0] = new Etiqueta(this);
    txtCliente = new CampoEntrada(this);
    Label4 = new Etiqueta(this);
    cmdImprimir = new QPushButton(QStringLiteral("&Imprimir"), this);

    struct Lugar {
        QWidget* control;
        const char* nombre;
        QRect pixeles;
    };
    const Lugar lugares[] = {
        {Label3, "Label3", {72, 8, 353, 49}},
        {Label2, "Label2", {72, 80, 78, 16}},
        {mkeFecha[0], "mkeFecha(0)", {200, 80, 89, 19}},
        {Label1[1], "Label1(1)", {72, 128, 68, 16}},
        {mkeFecha[1], "mkeFecha(1)", {200, 128, 89, 19}},
        {Label1[0], "Label1(0)", {72, 168, 44, 16}},
        {txtCliente, "txtCliente", {200, 168, 137, 24}},
        {Label4, "Label4", {32, 208, 433, 41}},
        {cmdImprimir, "cmdImprimir", {384, 280, 81, 33}},
    };
    for (const Lugar& lugar : lugares) {
        lugar.control->setObjectName(QString::fromLatin1(lugar.nombre));
        lugar.control->setGeometry(lugar.pixeles);
    }

    Label3->setAutoFillBackground(true);
    QPalette paleta = Label3->palette();
    paleta.setColor(QPalette::Window, QColor(224, 243, 254));
    Label3->setPalette(paleta);

    Label2->PonCaption(QStringLiteral("Fecha inicial:"));
    Label1[1]->PonCaption(QStringLiteral("Fecha final:"));
    Label1[0]->PonCaption(QStringLiteral("Cliente:"));
    Label4->setVisible(false);

    txtCliente->setMaxLength(10);
    // Enter presses the button while it has the focus, as a Windows push button does; outside
    // a dialog that makes it no default button, so Enter in a field never presses it.
    cmdImprimir->setAutoDefault(true);
    cmdImprimir->setDefault(false);

    QWidget::setTabOrder(mkeFecha[0], mkeFecha[1]);
    QWidget::setTabOrder(mkeFecha[1], txtCliente);
    QWidget::setTabOrder(txtCliente, cmdImprimir);
    mkeFecha[0]->setFocus(Qt::OtherFocusReason);
}

void frmPrincipal::PreparaFecha(int index, const QString& mascara, const QString& formato,
                                const QString& texto) {
    mkeFecha[index]->setInputMask(mascara);
    // The text already is in the display form; the format is kept as the field's property.
    formatos_[index] = formato;
    PonTexto(index, texto);
}

void frmPrincipal::PonTexto(int index, const QString& texto) {
    CampoEntrada& campo = *mkeFecha[index];
    // The placeholders are no input for the mask: the empty-date text means an empty field.
    if (objetos.libQMCM && texto == objetos.libQMCM->FechaVacia())
        campo.clear();
    else
        campo.setText(texto);
}

bool frmPrincipal::Form_Load() {
    estado.opcionConfigurar = opciones_.configuraConexion ? inicio::OpcionConfigurar() : QString();
    bool configurar = opciones_.empiezaConfigurando && opciones_.configuraConexion;
    for (;;) {
        if (configurar && !opciones_.configuraConexion())
            break;
        if (IntentaArranque(configurar))
            return true;
        if (!configurar)
            break;
        // What the failed start opened goes before the next try opens it again.
        inicio::Termina(objetos, estado);
    }
    Cierra();
    return false;
}

bool frmPrincipal::IntentaArranque(bool& configurar) {
    configurar = false;
    try {
        if (inicio::Arranca(*this, objetos, estado, opciones_.carpetaEjecutable))
            return true;
        configurar = estado.configurar;
    } catch (const qm::Error& error) {
        if (!estado.opcionConfigurar.isEmpty() && inicio::EsDeAjustes(error)) {
            try {
                configurar = mensajes_->MuestraConOpcion(
                    {QStringLiteral("Quiltaro"), error.texto(), qm::Icono::Critico},
                    estado.opcionConfigurar);
            } catch (...) {
            }
        } else {
            MuestraError(error);
        }
    } catch (...) {
        Protege([] { throw; });
    }
    return false;
}

void frmPrincipal::Cierra() {
    codigoSalida_ = 1;
    close();
    if (!terminado_)
        Form_Unload();
}

void frmPrincipal::closeEvent(QCloseEvent* evento) {
    // A Print that waits for the working copy lets the window repaint; closing it then would
    // take the connection from under the Print.
    if (imprimiendo_) {
        evento->ignore();
        return;
    }
    Form_Unload();
    evento->accept();
}

void frmPrincipal::Form_Unload() {
    if (terminado_)
        return;
    terminado_ = true;
    pausaTecleo_.stop();
    avisoPendiente_.reset();
    sonda_.Detiene();
    // The report module refers to the host objects, which the shutdown releases.
    reportes.reset();
    crpReporte.reset();
    inicio::Termina(objetos, estado);
    if (opciones_.alTerminar)
        opciones_.alTerminar(codigoSalida_);
}

void frmPrincipal::Protege(const std::function<void()>& manejador) noexcept {
    try {
        manejador();
    } catch (...) {
        MuestraError(qm::ErrorEnCurso());
    }
}

void frmPrincipal::AvisaAlPausar(const qm::Mensaje& mensaje) {
    avisoPendiente_ = mensaje;
    pausaTecleo_.start();
}

void frmPrincipal::MuestraAvisoPendiente() {
    if (!avisoPendiente_ || terminado_)
        return;
    if (imprimiendo_ || QApplication::activeModalWidget()) {
        pausaTecleo_.start();
        return;
    }
    const qm::Mensaje mensaje = *avisoPendiente_;
    avisoPendiente_.reset();
    Protege([&] { mensajes_->Muestra(mensaje); });
}

void frmPrincipal::MuestraError(const qm::Error& error) noexcept {
    try {
        mensajes_->Muestra({QStringLiteral("Quiltaro"), error.texto(), qm::Icono::Critico});
    } catch (...) {
    }
}
