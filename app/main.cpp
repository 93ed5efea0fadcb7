#include "app/frmPrincipal.h"
#include "reportview/MotorReporte.h"
#include "reportview/TraduccionesQt.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    motor::CargaTraduccionesQt(aplicacion);
    OpcionesVentana opciones;
    opciones.carpetaEjecutable = QCoreApplication::applicationDirPath();
    opciones.alTerminar = [](int codigo) { QCoreApplication::exit(codigo); };
    opciones.creaControlReporte = [] { return std::make_unique<motor::MotorReporte>(); };
    frmPrincipal ventana(std::move(opciones));
    if (!ventana.Form_Load())
        return ventana.codigoSalida();
    ventana.show();
    return QApplication::exec();
}
