#include "reportview/DialogoCorreoSaliente.h"

#include "mail/Contrasena.h"
#include "mail/SesionSmtp.h"
#include "reportengine/ErroresMotor.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace motor {

namespace {

using correo::Seguridad;

constexpr unsigned PuertoStartTls = 587;
constexpr unsigned PuertoTls = 465;

QString NombreSeguridad(Seguridad s) {
    switch (s) {
    case Seguridad::Tls:
        return QStringLiteral("TLS desde el inicio (puerto 465)");
    case Seguridad::SinCifrar:
        return QStringLiteral("Sin cifrar (sólo un servidor en este equipo)");
    case Seguridad::StartTls:
        break;
    }
    return QStringLiteral("STARTTLS (recomendado)");
}

// The pointer shows the wait while the server is tried.
class Espera {
public:
    Espera() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Espera() { QApplication::restoreOverrideCursor(); }
    Espera(const Espera&) = delete;
    Espera& operator=(const Espera&) = delete;
};

} // namespace

DialogoCorreoSaliente::DialogoCorreoSaliente(QString carpetaAjustes, QWidget* padre)
    : QDialog(padre), carpeta_(std::move(carpetaAjustes)) {
    setObjectName(QStringLiteral("DialogoCorreoSaliente"));
    setWindowTitle(QStringLiteral("Correo saliente"));
    txtServidor = new QLineEdit(this);
    txtServidor->setPlaceholderText(QStringLiteral("smtp.ejemplo.com"));
    txtPuerto = new QSpinBox(this);
    txtPuerto->setRange(1, 65535);
    cboSeguridad = new QComboBox(this);
    txtUsuario = new QLineEdit(this);
    txtContrasena = new QLineEdit(this);
    txtContrasena->setEchoMode(QLineEdit::Password);
    txtNombre = new QLineEdit(this);
    txtDireccion = new QLineEdit(this);
    txtResponderA = new QLineEdit(this);
    txtResponderA->setPlaceholderText(QStringLiteral("(opcional)"));
    txtCopiaArchivo = new QLineEdit(this);
    txtCopiaArchivo->setPlaceholderText(QStringLiteral("(opcional; no la ve el cliente)"));
    txtCertificado = new QLineEdit(this);
    txtCertificado->setPlaceholderText(QStringLiteral("(las autoridades del sistema)"));
    cmdCertificado = new QPushButton(QStringLiteral("E&xaminar…"), this);
    txtSegundosConexion = new QSpinBox(this);
    txtSegundosConexion->setRange(1, 600);
    txtSegundosConexion->setSuffix(QStringLiteral(" s"));
    txtSegundosRespuesta = new QSpinBox(this);
    txtSegundosRespuesta->setRange(1, 600);
    txtSegundosRespuesta->setSuffix(QStringLiteral(" s"));
    lblResultado = new QLabel(this);
    lblResultado->setWordWrap(true);
    lblResultado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblResultado->setMinimumWidth(440);
    cmdProbar = new QPushButton(QStringLiteral("&Probar conexión"), this);
    cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cmdAceptar->setDefault(true);

    auto* certificado = new QHBoxLayout;
    certificado->addWidget(txtCertificado);
    certificado->addWidget(cmdCertificado);
    auto* campos = new QFormLayout;
    campos->addRow(QStringLiteral("&Servidor:"), txtServidor);
    campos->addRow(QStringLiteral("P&uerto:"), txtPuerto);
    campos->addRow(QStringLiteral("S&eguridad:"), cboSeguridad);
    campos->addRow(QStringLiteral("U&suario:"), txtUsuario);
    campos->addRow(QStringLiteral("C&ontraseña:"), txtContrasena);
    campos->addRow(QStringLiteral("&Nombre del remitente:"), txtNombre);
    campos->addRow(QStringLiteral("&Dirección del remitente:"), txtDireccion);
    campos->addRow(QStringLiteral("&Responder a:"), txtResponderA);
    campos->addRow(QStringLiteral("Copia de arc&hivo (Cco):"), txtCopiaArchivo);
    campos->addRow(QStringLiteral("Certificado de la &autoridad:"), certificado);
    campos->addRow(QStringLiteral("Espera al &conectar:"), txtSegundosConexion);
    campos->addRow(QStringLiteral("Espera de cada respues&ta:"), txtSegundosRespuesta);
    auto* botones = new QHBoxLayout;
    botones->addWidget(cmdProbar);
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);
    auto* todo = new QVBoxLayout(this);
    todo->addLayout(campos);
    todo->addWidget(lblResultado);
    todo->addLayout(botones);

    guardados_ = correo::LeeAjustes(carpeta_);
    hayContrasena_ = !correo::LeeContrasena(carpeta_).isEmpty();
    const correo::AjustesCorreo& a = guardados_;
    txtServidor->setText(a.servidor);
    txtUsuario->setText(a.usuario);
    if (hayContrasena_)
        txtContrasena->setPlaceholderText(
            QStringLiteral("(guardada; escriba otra para cambiarla)"));
    txtNombre->setText(a.nombreRemitente);
    txtDireccion->setText(a.direccionRemitente);
    txtResponderA->setText(a.responderA);
    txtCopiaArchivo->setText(a.copiaArchivo);
    txtCertificado->setText(QDir::toNativeSeparators(a.archivoCertificado));
    txtSegundosConexion->setValue(a.segundosConexion);
    txtSegundosRespuesta->setValue(a.segundosRespuesta);
    OfreceSeguridad();
    cboSeguridad->setCurrentIndex(std::max(0, cboSeguridad->findData(int(a.seguridad))));
    txtPuerto->setValue(int(a.puerto));

    connect(txtServidor, &QLineEdit::textChanged, this, [this] { OfreceSeguridad(); });
    connect(cboSeguridad, &QComboBox::activated, this, [this] { CambiaSeguridad(); });
    connect(cmdCertificado, &QPushButton::clicked, this, [this] {
        const QString archivo = QFileDialog::getOpenFileName(
            this, QStringLiteral("Certificado de la autoridad"), txtCertificado->text(),
            QStringLiteral("Certificados (*.pem *.crt *.cer);;Todos los archivos (*)"));
        if (!archivo.isEmpty())
            txtCertificado->setText(QDir::toNativeSeparators(archivo));
    });
    connect(cmdProbar, &QPushButton::clicked, this, [this] { Probar(); });
    connect(cmdAceptar, &QPushButton::clicked, this, [this] { Guardar(); });
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void DialogoCorreoSaliente::OfreceSeguridad() {
    const int elegida = cboSeguridad->currentData().isValid() ? cboSeguridad->currentData().toInt()
                                                              : int(Seguridad::StartTls);
    std::vector<Seguridad> ofrecidas{Seguridad::StartTls, Seguridad::Tls};
    if (correo::EsServidorLocal(txtServidor->text()))
        ofrecidas.push_back(Seguridad::SinCifrar);
    if (cboSeguridad->count() == int(ofrecidas.size()))
        return;
    const QSignalBlocker bloqueo(cboSeguridad);
    cboSeguridad->clear();
    for (const Seguridad s : ofrecidas)
        cboSeguridad->addItem(NombreSeguridad(s), int(s));
    // A server no longer on this machine falls back to STARTTLS, and to its port.
    cboSeguridad->setCurrentIndex(std::max(0, cboSeguridad->findData(elegida)));
    if (cboSeguridad->currentData().toInt() != elegida)
        CambiaSeguridad();
}

void DialogoCorreoSaliente::CambiaSeguridad() {
    // The usual port of each, when the port is the other's usual one.
    const auto s = Seguridad(cboSeguridad->currentData().toInt());
    if (s == Seguridad::Tls && unsigned(txtPuerto->value()) == PuertoStartTls)
        txtPuerto->setValue(int(PuertoTls));
    else if (s != Seguridad::Tls && unsigned(txtPuerto->value()) == PuertoTls)
        txtPuerto->setValue(int(PuertoStartTls));
}

correo::AjustesCorreo DialogoCorreoSaliente::Ajustes() const {
    correo::AjustesCorreo a = guardados_;
    a.servidor = txtServidor->text().trimmed();
    a.puerto = unsigned(txtPuerto->value());
    a.seguridad = Seguridad(cboSeguridad->currentData().toInt());
    a.usuario = txtUsuario->text().trimmed();
    a.nombreRemitente = txtNombre->text().trimmed();
    a.direccionRemitente = txtDireccion->text().trimmed();
    a.responderA = txtResponderA->text().trimmed();
    a.copiaArchivo = txtCopiaArchivo->text().trimmed();
    a.archivoCertificado = QDir::fromNativeSeparators(txtCertificado->text().trimmed());
    a.segundosConexion = txtSegundosConexion->value();
    a.segundosRespuesta = txtSegundosRespuesta->value();
    return a;
}

QString DialogoCorreoSaliente::Contrasena() const {
    if (!txtContrasena->text().isEmpty())
        return txtContrasena->text();
    return hayContrasena_ ? correo::LeeContrasena(carpeta_) : QString();
}

bool DialogoCorreoSaliente::Guardar() {
    const correo::AjustesCorreo a = Ajustes();
    QString falla = correo::RevisaAjustes(a);
    if (falla.isEmpty() && !a.usuario.isEmpty() && txtContrasena->text().isEmpty() &&
        !hayContrasena_)
        falla = QStringLiteral("Falta la contraseña del usuario %1.").arg(a.usuario);
    if (!falla.isEmpty()) {
        lblResultado->setText(falla + QStringLiteral(" No se guardó nada."));
        return false;
    }
    try {
        // The password first: settings that name a user are never kept without it.
        if (!txtContrasena->text().isEmpty())
            correo::GuardaContrasena(txtContrasena->text(), carpeta_);
        correo::GuardaAjustes(a, carpeta_);
    } catch (const ErrorMotor& e) {
        lblResultado->setText(e.descripcion());
        return false;
    }
    accept();
    return true;
}

bool DialogoCorreoSaliente::Probar() {
    const correo::AjustesCorreo a = Ajustes();
    if (const QString falla = correo::RevisaAjustes(a); !falla.isEmpty()) {
        lblResultado->setText(falla);
        return false;
    }
    correo::Respuesta r;
    {
        const Espera espera;
        lblResultado->setText(QStringLiteral("Probando %1…").arg(a.servidor));
        lblResultado->repaint();
        try {
            correo::SesionSmtp sesion(a, Contrasena());
            r = sesion.Conecta();
        } catch (const ErrorMotor& e) {
            r = {correo::Desenlace::Fatal, e.descripcion()};
        }
    }
    const bool bien = r.desenlace == correo::Desenlace::Aceptado;
    lblResultado->setText(bien ? QStringLiteral("La conexión con %1 funciona.").arg(a.servidor)
                               : r.texto);
    return bien;
}

bool EditaCorreoSaliente(QWidget* padre, const QString& carpetaAjustes) {
    DialogoCorreoSaliente dialogo(carpetaAjustes, padre);
    return dialogo.exec() == QDialog::Accepted;
}

} // namespace motor
