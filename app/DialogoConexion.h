#pragma once

#include "startup/Conexion.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The connection dialog: host folder, database, server, port, user and password. "Probar"
// says what is wrong with them; "Guardar" writes the settings files and both ODBC data sources
// and closes it accepted. What is tried and written is startup's; this only shows it.
class DialogoConexion : public QDialog {
    Q_OBJECT
public:
    explicit DialogoConexion(QString carpetaEjecutable, QWidget* padre = nullptr);

    inicio::DatosConexion Datos() const;
    // Tries the values and shows the outcome; true when they work.
    bool Probar();
    // Writes the values, asking first before writing into a host's own Trevanto.ini; true when
    // written (the dialog is then accepted).
    bool Guardar();

    QLineEdit* txtCarpeta;
    QLineEdit* txtBase;
    QLineEdit* txtServidor;
    QSpinBox* txtPuerto;
    QLineEdit* txtUsuario;
    QLineEdit* txtPassword;
    QLabel* lblResultado;
    QPushButton* cmdProbar;
    QPushButton* cmdGuardar;
    QPushButton* cmdCancelar;
    // The question before writing into a folder that holds a host's Trevanto.ini; true goes on.
    // A message box unless replaced.
    std::function<bool(const QString& pregunta)> confirma;

private:
    QString carpetaEjecutable_;
};
