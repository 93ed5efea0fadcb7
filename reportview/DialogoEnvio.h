#pragma once

#include "mail/Direcciones.h"
#include "mail/Envio.h"
#include "mail/Estados.h"
#include "reportengine/EstadosCuenta.h"

#include <QDialog>
#include <QHash>
#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace motor {

// The customers' addresses by code, for the codes given.
using FuenteCorreos =
    std::function<QHash<QString, correo::CorreosCliente>(const QStringList& claves)>;

// What the sending dialog takes from the program around it.
struct OpcionesDialogoEnvio {
    // The program reads the host's customer table and Correos.csv; null: Correos.csv alone.
    FuenteCorreos correos;
    QString carpetaAjustes; // "": the user's (correo::CarpetaAjustesUsuario)
    // Opens "Correo saliente" over the window given; true when the settings were kept.
    std::function<bool(QWidget*)> correoSaliente;
};

// "Enviar por correo": the report's customers with their addresses, each ticked to get its
// statement by mail; the message's texts; a preview, a test message to the sender, the run
// with its progress and summary, and the retry of what failed.
class DialogoEnvio : public QDialog {
    Q_OBJECT
public:
    DialogoEnvio(ReporteHecho reporte, OpcionesDialogoEnvio opciones, QWidget* padre = nullptr);

    // The customers that would be sent to now: ticked and shown.
    std::vector<std::size_t> Marcados() const;
    // The first of them's message as it will go; fails with ErrorMotor when none is ticked.
    correo::Mensaje MensajeDeMuestra() const;
    const correo::Resumen& ultimoResumen() const { return resumen_; }

    void VistaPreviaCorreo();
    void EnviaUnaPrueba();
    void Envia();
    void ReintentaFallidos();
    void AbreCorreos();
    void LeeDirecciones();

signals:
    // While sending, after each customer: customers done and in all.
    void Avanzo(std::size_t hechos, std::size_t total);

protected:
    void done(int resultado) override;

private:
    void Llena();
    void Filtra();
    void CuentaMarcados();
    QString Carpeta() const;
    correo::AjustesCorreo Ajustes() const;
    correo::OpcionesEnvio Opciones() const;
    // Keeps the texts typed here and the folder with the settings.
    void GuardaTextos();
    bool PuedeEnviar(const correo::AjustesCorreo& ajustes);
    void Corre(std::vector<std::size_t> aEscribir, std::vector<std::size_t> aEnviar,
               bool soloFallidos);
    void Intenta(const std::function<void()>& accion);

    ReporteHecho reporte_;
    OpcionesDialogoEnvio opciones_;
    std::vector<correo::ClienteDelReporte> clientes_;
    QHash<QString, correo::CorreosCliente> correos_;
    correo::Resumen resumen_;
    QTableWidget* lista_ = nullptr;
    QCheckBox* soloConSaldo_ = nullptr;
    QCheckBox* reenviar_ = nullptr;
    QLabel* cuenta_ = nullptr;
    QLineEdit* asunto_ = nullptr;
    QPlainTextEdit* cuerpo_ = nullptr;
    QLineEdit* adjunto_ = nullptr;
    QLineEdit* carpeta_ = nullptr;
};

} // namespace motor
