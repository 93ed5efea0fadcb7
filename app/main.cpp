#include "app/frmPrincipal.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    frmPrincipal ventana({QCoreApplication::applicationDirPath(), nullptr,
                          [](int codigo) { QCoreApplication::exit(codigo); }});
    if (!ventana.Form_Load())
        return ventana.codigoSalida();
    ventana.show();
    return QApplication::exec();
}
