#include "app/DialogoConexion.h"

#include "host/DelRegistro.h"
#include "host/Error.h"
#include "host/Utilerias.h"
#include "report/Odbc.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

DialogoConexion::DialogoConexion(QString carpetaEjecutable, QWidget* padre)
    : QDialog(padre), carpetaEjecutable_(std::move(carpetaEjecutable)) {
    setObjectName(QStringLiteral("DialogoConexion"));
    setWindowTitle(QStringLiteral("Quiltaro — conexión"));
    txtCarpeta = new QLineEdit(this);
    txtBase = new QLineEdit(this);
    txtServidor = new QLineEdit(this);
    txtPuerto = new QSpinBox(this);
    txtPuerto->setRange(1, 65535);
    txtUsuario = new QLineEdit(this);
    txtPassword = new QLineEdit(this);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblResultado = new QLabel(this);
    lblResultado->setWordWrap(true);
    lblResultado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblResultado->setMinimumWidth(420);
    cmdProbar = new QPushButton(QStringLiteral("&Probar"), this);
    cmdGuardar = new QPushButton(QStringLiteral("&Guardar"), this);
    cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cmdGuardar->setDefault(true);

    auto* campos = new QFormLayout;
    campos->addRow(QStringLiteral("Carpeta de Trevanto Premium:"), txtCarpeta);
    campos->addRow(QStringLiteral("Base de datos:"), txtBase);
    campos->addRow(QStringLiteral("Servidor:"), txtServidor);
    campos->addRow(QStringLiteral("Puerto:"), txtPuerto);
    campos->addRow(QStringLiteral("Usuario:"), txtUsuario);
    campos->addRow(QStringLiteral("Contraseña:"), txtPassword);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdProbar);
    botones->addWidget(cmdGuardar);
    botones->addWidget(cmdCancelar);
    auto* todo = new QVBoxLayout(this);
    todo->addLayout(campos);
    todo->addWidget(lblResultado);
    todo->addLayout(botones);

    const inicio::DatosConexion d = inicio::LeeConexion(carpetaEjecutable_, qm::Utilerias());
    txtCarpeta->setText(QDir::toNativeSeparators(d.carpetaHost));
    txtBase->setText(d.base);
    txtServidor->setText(d.servidor);
    txtPuerto->setValue(int(d.puerto));
    txtUsuario->setText(d.usuario);
    txtPassword->setText(d.password);

    confirma = [this](const QString& pregunta) {
        return QMessageBox::question(this, windowTitle(), pregunta) == QMessageBox::Yes;
    };
    connect(cmdProbar, &QPushButton::clicked, this, [this] { Probar(); });
    connect(cmdGuardar, &QPushButton::clicked, this, [this] { Guardar(); });
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

inicio::DatosConexion DialogoConexion::Datos() const {
    return {QDir::fromNativeSeparators(txtCarpeta->text().trimmed()),
            txtBase->text().trimmed(),
            txtServidor->text().trimmed(),
            unsigned(txtPuerto->value()),
            txtUsuario->text(),
            txtPassword->text()};
}

bool DialogoConexion::Probar() {
    const QString problema = inicio::PruebaConexion(Datos());
    lblResultado->setText(problema.isEmpty() ? QStringLiteral("La conexión funciona.") : problema);
    return problema.isEmpty();
}

bool DialogoConexion::Guardar() {
    const inicio::DatosConexion d = Datos();
    if (QDir(d.carpetaHost) != QDir(inicio::CarpetaHostPropia()) &&
        inicio::HayTrevantoIni(d.carpetaHost) &&
        !confirma(QStringLiteral("La carpeta %1 ya tiene el archivo Trevanto.ini de Trevanto "
                                 "Premium. ¿Escribir en él el servidor, el puerto, el usuario y "
                                 "la contraseña? Sus demás datos no cambian.")
                      .arg(QDir::toNativeSeparators(d.carpetaHost))))
        return false;
    try {
        qm::DelRegistro registro;
        const qm::BasesDD ajustes =
            inicio::GuardaConexion(d, carpetaEjecutable_, registro, qm::Utilerias());
        modRPTs::PreparaODBC(ajustes, registro);
    } catch (const qm::Error& error) {
        lblResultado->setText(error.texto());
        return false;
    }
    accept();
    return true;
}
