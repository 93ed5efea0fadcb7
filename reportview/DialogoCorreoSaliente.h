#pragma once

#include "mail/Ajustes.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace motor {

// "Correo saliente": the mail server and the sender, kept in the settings folder (Correo.ini,
// the password apart in Correo.clave). The stored password is never shown: an empty field keeps
// it, a typed one replaces it. Sending in clear is offered only for a server on this machine.
// "Aceptar" saves what RevisaAjustes takes and closes; what it refuses is said and nothing is
// saved. "Probar conexión" connects and logs in, sending nothing.
class DialogoCorreoSaliente : public QDialog {
    Q_OBJECT
public:
    explicit DialogoCorreoSaliente(QString carpetaAjustes, QWidget* padre = nullptr);

    // The settings as the fields have them (the message texts as they were kept).
    correo::AjustesCorreo Ajustes() const;
    // Saves the fields and closes the dialog accepted; false, saving nothing, when they cannot
    // be used or cannot be written (the reason in lblResultado).
    bool Guardar();
    // Tries the fields against the server; true when it took the login.
    bool Probar();

    QLineEdit* txtServidor;
    QSpinBox* txtPuerto;
    QComboBox* cboSeguridad;
    QLineEdit* txtUsuario;
    QLineEdit* txtContrasena;
    QLineEdit* txtNombre;
    QLineEdit* txtDireccion;
    QLineEdit* txtResponderA;
    QLineEdit* txtCopiaArchivo;
    QLineEdit* txtCertificado;
    QPushButton* cmdCertificado;
    QSpinBox* txtSegundosConexion;
    QSpinBox* txtSegundosRespuesta;
    QLabel* lblResultado;
    QPushButton* cmdProbar;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

private:
    // The security choices the server allows, keeping the one chosen when it still is.
    void OfreceSeguridad();
    void CambiaSeguridad();
    QString Contrasena() const;

    QString carpeta_;
    correo::AjustesCorreo guardados_;
    bool hayContrasena_ = false;
};

// Opens the dialog over padre for the settings in that folder (correo::CarpetaAjustesUsuario()
// for the user's); true when the user saved them.
bool EditaCorreoSaliente(QWidget* padre, const QString& carpetaAjustes);

} // namespace motor
