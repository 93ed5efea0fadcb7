#include "reportview/DialogoMembrete.h"

#include "reportengine/ErroresMotor.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace motor {

DialogoMembrete::DialogoMembrete(QString carpetaAjustes, QWidget* padre)
    : QDialog(padre), carpeta_(std::move(carpetaAjustes)) {
    setObjectName(QStringLiteral("DialogoMembrete"));
    setWindowTitle(QStringLiteral("Membrete"));
    txtNombre = new QLineEdit(this);
    for (QLineEdit*& linea : txtDireccion)
        linea = new QLineEdit(this);
    cboEtiquetaFiscal = new QComboBox(this);
    cboEtiquetaFiscal->setEditable(true);
    cboEtiquetaFiscal->addItems({QStringLiteral("RFC"), QStringLiteral("NIF"),
                                 QStringLiteral("CUIT"), QStringLiteral("RUT"),
                                 QStringLiteral("NIT"), QStringLiteral("Identificación fiscal")});
    txtIdentificacion = new QLineEdit(this);
    txtTelefono = new QLineEdit(this);
    txtLogo = new QLineEdit(this);
    txtLogo->setReadOnly(true);
    txtLogo->setPlaceholderText(QStringLiteral("(sin logotipo)"));
    lblLogo = new QLabel(this);
    lblLogo->setFixedSize(150, 48);
    lblLogo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cmdLogo = new QPushButton(QStringLiteral("&Elegir…"), this);
    cmdQuitarLogo = new QPushButton(QStringLiteral("&Quitar"), this);
    lblResultado = new QLabel(this);
    lblResultado->setWordWrap(true);
    lblResultado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblResultado->setMinimumWidth(420);
    cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cmdAceptar->setDefault(true);

    auto* fiscal = new QHBoxLayout;
    fiscal->addWidget(cboEtiquetaFiscal);
    fiscal->addWidget(txtIdentificacion, 1);
    auto* logo = new QHBoxLayout;
    logo->addWidget(txtLogo, 1);
    logo->addWidget(cmdLogo);
    logo->addWidget(cmdQuitarLogo);
    auto* campos = new QFormLayout;
    campos->addRow(QStringLiteral("&Nombre:"), txtNombre);
    campos->addRow(QStringLiteral("&Dirección:"), txtDireccion[0]);
    for (std::size_t i = 1; i < txtDireccion.size(); ++i)
        campos->addRow(QString(), txtDireccion[i]);
    campos->addRow(QStringLiteral("Identificación &fiscal:"), fiscal);
    campos->addRow(QStringLiteral("&Teléfono:"), txtTelefono);
    campos->addRow(QStringLiteral("&Logotipo (PNG o JPEG):"), logo);
    campos->addRow(QString(), lblLogo);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);
    auto* todo = new QVBoxLayout(this);
    todo->addLayout(campos);
    todo->addWidget(lblResultado);
    todo->addLayout(botones);

    const Membrete m = LeeMembrete(carpeta_);
    txtNombre->setText(m.nombre);
    for (std::size_t i = 0; i < txtDireccion.size(); ++i)
        txtDireccion[i]->setText(m.direccion.value(qsizetype(i)));
    cboEtiquetaFiscal->setCurrentText(m.etiquetaFiscal);
    txtIdentificacion->setText(m.identificacionFiscal);
    txtTelefono->setText(m.telefono);
    logo_ = m.logo;
    MuestraLogo();

    connect(cmdLogo, &QPushButton::clicked, this, [this] {
        const QString archivo = QFileDialog::getOpenFileName(
            this, QStringLiteral("Logotipo"), logo_,
            QStringLiteral("Imágenes PNG o JPEG (*.png *.jpg *.jpeg);;Todos los archivos (*)"));
        if (!archivo.isEmpty())
            PonLogo(archivo);
    });
    connect(cmdQuitarLogo, &QPushButton::clicked, this, [this] { QuitaLogo(); });
    connect(cmdAceptar, &QPushButton::clicked, this, [this] { Guardar(); });
    connect(cmdCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void DialogoMembrete::MuestraLogo() {
    txtLogo->setText(QDir::toNativeSeparators(logo_));
    QImage imagen;
    if (!logo_.isEmpty()) {
        QImageReader lector(logo_);
        lector.setAutoTransform(true);
        imagen = lector.read();
    }
    lblLogo->setPixmap(imagen.isNull()
                           ? QPixmap()
                           : QPixmap::fromImage(imagen.scaled(lblLogo->size(), Qt::KeepAspectRatio,
                                                              Qt::SmoothTransformation)));
    cmdQuitarLogo->setEnabled(!logo_.isEmpty());
}

bool DialogoMembrete::PonLogo(const QString& archivo) {
    const QString ruta = QDir::fromNativeSeparators(archivo);
    const QString falla = RevisaLogo(ruta);
    if (!falla.isEmpty()) {
        lblResultado->setText(falla + QStringLiteral(" El logotipo no cambió."));
        return false;
    }
    logo_ = ruta;
    lblResultado->clear();
    MuestraLogo();
    return true;
}

void DialogoMembrete::QuitaLogo() {
    logo_.clear();
    MuestraLogo();
}

Membrete DialogoMembrete::Datos() const {
    Membrete m;
    m.nombre = txtNombre->text().trimmed();
    for (const QLineEdit* linea : txtDireccion)
        m.direccion << linea->text().trimmed();
    m.etiquetaFiscal = cboEtiquetaFiscal->currentText().trimmed();
    m.identificacionFiscal = txtIdentificacion->text().trimmed();
    m.telefono = txtTelefono->text().trimmed();
    m.logo = logo_;
    return m;
}

bool DialogoMembrete::Guardar() {
    try {
        GuardaMembrete(Datos(), carpeta_);
    } catch (const ErrorMotor& e) {
        lblResultado->setText(e.descripcion() + QStringLiteral(" No se guardó el membrete."));
        return false;
    }
    accept();
    return true;
}

bool EditaMembrete(QWidget* padre, const QString& carpetaAjustes) {
    DialogoMembrete dialogo(carpetaAjustes, padre);
    return dialogo.exec() == QDialog::Accepted;
}

} // namespace motor
