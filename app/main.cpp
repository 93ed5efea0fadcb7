#include "app/DialogoConexion.h"
#include "app/EstadosSinVentana.h"
#include "app/OpcionesEstados.h"
#include "app/frmPrincipal.h"
#include "reportview/MotorReporte.h"
#include "reportview/TraduccionesQt.h"

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

    OpcionesVentana opciones;
    opciones.carpetaEjecutable = QCoreApplication::applicationDirPath();
    opciones.alTerminar = [](int codigo) { QCoreApplication::exit(codigo); };
    opciones.creaControlReporte = [] { return std::make_unique<motor::MotorReporte>(); };
    opciones.configuraConexion = [carpeta = opciones.carpetaEjecutable] {
        DialogoConexion dialogo(carpeta);
        return dialogo.exec() == QDialog::Accepted;
    };
    opciones.empiezaConfigurando = linea.isSet(conexion);
    frmPrincipal ventana(std::move(opciones));
    if (!ventana.Form_Load())
        return ventana.codigoSalida();
    ventana.show();
    return QApplication::exec();
}
