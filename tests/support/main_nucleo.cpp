#include "tests/support/EntornoPrueba.h"

#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// Fonts and the PDF writer need a Gui application; the offscreen platform needs no display.
int main(int argc, char** argv) {
    prueba::CreaEntorno();
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication aplicacion(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
