#pragma once

#include "reportengine/Membrete.h"

#include <QDialog>
#include <QString>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace motor {

// "Membrete": the shop's name, address, tax id, phone and logo, kept in the settings folder
// and drawn at the top of every statement (and closing every message). A file that is not a
// PNG or JPEG image that can be read is said at once and the logo stays as it was.
class DialogoMembrete : public QDialog {
    Q_OBJECT
public:
    explicit DialogoMembrete(QString carpetaAjustes, QWidget* padre = nullptr);

    Membrete Datos() const;
    // Takes the file as the logo; false, keeping the one before, when it cannot be (the
    // reason in lblResultado).
    bool PonLogo(const QString& archivo);
    void QuitaLogo();
    // Saves and closes the dialog accepted; false, the reason in lblResultado, when it fails.
    bool Guardar();

    QLineEdit* txtNombre;
    std::array<QLineEdit*, LineasDireccion> txtDireccion;
    QComboBox* cboEtiquetaFiscal; // "RFC" and the other usual names; any other can be typed
    QLineEdit* txtIdentificacion;
    QLineEdit* txtTelefono;
    QLineEdit* txtLogo;
    QLabel* lblLogo;
    QPushButton* cmdLogo;
    QPushButton* cmdQuitarLogo;
    QLabel* lblResultado;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

private:
    void MuestraLogo();

    QString carpeta_;
    QString logo_; // the file chosen, or the copy kept; "" for none
};

// Opens the dialog over padre for the letterhead in that folder; true when the user saved it.
bool EditaMembrete(QWidget* padre, const QString& carpetaAjustes);

} // namespace motor
