#include "app/DialogoConexion.h"
#include "app/EstadosSinVentana.h"
#include "app/OpcionesEstados.h"
#include "app/frmPrincipal.h"
#include "mail/Ajustes.h"
#include "mail/clientes/CorreosClientes.h"
#include "reportview/MotorReporte.h"
#include "reportview/TraduccionesQt.h"
#include "startup/Claves.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char** argv) {
    // The statements without a window, and the help, run with no display.
    if (PideEstados(argc, argv))
        return EstadosSinVentana(argc, argv);
    QApplication aplicacion(argc, argv);
    motor::CargaTraduccionesQt(aplicacion);
    // One option, for the desktop entry that sets the connection up.
    QCommandLineParser linea;
    const QCommandLineOption conexion(
        QStringLiteral("conexion"),
        QStringLiteral("Abre primero la configuración de la conexión con la base de datos."));
    linea.addOption(conexion);
    linea.process(aplicacion);

    frmPrincipal* principal = nullptr;
    OpcionesVentana opciones;
    opciones.carpetaEjecutable = QCoreApplication::applicationDirPath();
    opciones.alTerminar = [](int codigo) { QCoreApplication::exit(codigo); };
    opciones.creaControlReporte = [&principal] {
        auto control = std::make_unique<motor::MotorReporte>();
        // The statements go by mail to the addresses in the host's customer table (the column
        // Quiltaro.ini names, or the one found) with the shop's Correos.csv over it.
        motor::OpcionesDialogoEnvio envio;
        envio.correos = [&principal](const QStringList& claves) {
            const QString columna = principal->objetos.libQMCM->LeeIni(
                QString::fromUtf16(inicio::claves::SeccionIni), QStringLiteral("Columna de correo"),
                principal->estado.cArchivoIni);
            return correo::CorreosDelReporte(principal->estado.cn, columna,
                                             correo::CarpetaAjustesUsuario(), claves);
        };
        control->PonOpcionesEnvio(std::move(envio));
        return control;
    };
    opciones.configuraConexion = [carpeta = opciones.carpetaEjecutable] {
        DialogoConexion dialogo(carpeta);
        return dialogo.exec() == QDialog::Accepted;
    };
    opciones.empiezaConfigurando = linea.isSet(conexion);
    frmPrincipal ventana(std::move(opciones));
    principal = &ventana;
    if (!ventana.Form_Load())
        return ventana.codigoSalida();
    ventana.show();
    return QApplication::exec();
}
