#pragma once

#include "app/frmPrincipal.h"
#include "tests/app/InstalacionPrueba.h"
#include "tests/support/ServidorPrueba.h"

#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace prueba {

// The window with Print replaced by a recorder of the two date texts at each click.
class VentanaGrabadora final : public frmPrincipal {
public:
    using frmPrincipal::frmPrincipal;
    std::vector<std::array<QString, 2>> clics;

protected:
    void cmdImprimir_Click() override { clics.push_back({Texto(0), Texto(1)}); }
};

// The window started against a temporary installation on the private server, with a database
// of its own holding the customers, shown and active, its messages recorded.
class VentanaPrueba : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window on the installation; false when its start-up failed.
    bool AbreVentana(const InstalacionPrueba& instalacion);
    // Cierra the window like the user does.
    void CierraVentana();
    QWidget* Foco() const;

    std::unique_ptr<BaseTemporal> base;
    std::unique_ptr<InstalacionPrueba> instalacion;
    MensajesGrabados mensajes;
    std::vector<int> salidas; // exit statuses the window ended the program with
    std::unique_ptr<VentanaGrabadora> ventana;
};

} // namespace prueba
