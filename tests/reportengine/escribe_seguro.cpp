// Writes one file through the engine's safe writer, for the case of a user who may not write
// there: the test runs it as "nobody" (tests run as root, who may write anywhere).
//   escribe_seguro FILE
// Exit status 0 when the file was written, 1 with the error on standard error.
#include "reportengine/ArchivoSeguro.h"

#include <QIODevice>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: escribe_seguro FILE\n", stderr);
        return 2;
    }
    try {
        motor::ArchivoSeguro archivo(QString::fromUtf8(argv[1]));
        archivo.Dispositivo().write("nuevo\n");
        archivo.Confirma();
    } catch (const motor::ErrorMotor& e) {
        std::fputs(e.texto().toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
