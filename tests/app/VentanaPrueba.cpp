#include "tests/app/VentanaPrueba.h"

#include <QApplication>
#include <QTest>

namespace prueba {

void VentanaPrueba::SetUp() {
    base = std::make_unique<BaseTemporal>(QStringLiteral("ventana"));
    qm::Conexion cn = Conecta(base->nombre());
    CreaClientes(cn);
    instalacion = std::make_unique<InstalacionPrueba>(Servidor(), base->nombre());
}

void VentanaPrueba::TearDown() {
    ventana.reset();
}

bool VentanaPrueba::AbreVentana(const InstalacionPrueba& donde) {
    ventana = std::make_unique<VentanaGrabadora>(OpcionesVentana{
        donde.carpetaEjecutable(), &mensajes, [this](int codigo) { salidas.push_back(codigo); }});
    if (!ventana->Form_Load())
        return false;
    ventana->show();
    return QTest::qWaitForWindowActive(ventana.get());
}

void VentanaPrueba::CierraVentana() {
    // The window's shutdown runs inside close(): nothing is left to wait for.
    ventana->close();
}

QWidget* VentanaPrueba::Foco() const {
    return QApplication::focusWidget();
}

} // namespace prueba
