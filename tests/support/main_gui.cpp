#include "reportview/TraduccionesQt.h"
#include "tests/support/EntornoPrueba.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    prueba::CreaEntorno();
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication aplicacion(argc, argv);
    // The windows are tested as the user sees them, Qt's own dialogs in Spanish.
    motor::CargaTraduccionesQt(aplicacion);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
