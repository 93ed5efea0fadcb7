#include "startup/Inicio.h"

#include "host/Error.h"
#include "movements/CopiaDeTrabajo.h"
#include "startup/ParaPluginsPortables.h"

namespace inicio {

namespace {

// Runs one shutdown step; its failure must not keep the next steps from running.
template <class Paso> void Intenta(Paso&& paso) noexcept {
    try {
        paso();
    } catch (...) {
    }
}

} // namespace

QString Version() {
    return QStringLiteral("%1.%2.%3")
        .arg(QUILTARO_VERSION_MAJOR)
        .arg(QUILTARO_VERSION_MINOR)
        .arg(QUILTARO_VERSION_PATCH);
}

bool Arranca(VentanaInicio& ventana, modComun& objetos, EstadoPrincipal& estado,
             const QString& carpetaEjecutable) {
    estado.cArchivoIni = carpetaEjecutable + QStringLiteral("/Quiltaro.ini");

    objetos.CreaObjetos(carpetaEjecutable);
    const qm::libQMCM& libQMCM = *objetos.libQMCM;
    qm::BasesDD& BasesDD = *objetos.BasesDD;

    for (int index : {0, 1})
        ventana.PreparaFecha(index, libQMCM.MascaraFecha(), libQMCM.FormatoFecha(),
                             libQMCM.FechaHoy());

    const EntornoConfiguracion entorno{estado.cArchivoIni, carpetaEjecutable, &ventana.Mensajes()};
    if (!CargaConfiguracion(libQMCM, *objetos.DelRegistro, BasesDD, *objetos.Utilerias, entorno)) {
        ventana.Cierra();
        return false;
    }

    ventana.PonEstado(QStringLiteral(" Servidor: ") + BasesDD.cRuta + QChar(13) +
                      QStringLiteral("  Base de datos: ") + BasesDD.cMiBase);
    ventana.PonTitulo(ventana.Titulo() + QStringLiteral("      ") + Version());

    BasesDD.AbrirBdD(estado.cn, BasesDD.cMiBase);
    qm::Conexion cnReportes;
    BasesDD.AbrirBdD(cnReportes, movimientos::BaseReportes());
    // Another copy of the program may be printing from the same working copy.
    movimientos::PreparaCopiaCompartida(BasesDD, estado.cn, cnReportes, estado.cSQL);
    BasesDD.CierraBdD(cnReportes);
    return true;
}

void Termina(modComun& objetos, EstadoPrincipal& estado) noexcept {
    // Under the lock, waiting little: a copy that another copy of the program is still using
    // is left to it (the next start-up replaces it anyway).
    Intenta([&] { movimientos::BorraCopiaCompartida(estado.cn); });
    Intenta([&] {
        if (objetos.BasesDD)
            objetos.BasesDD->CierraBdD(estado.cn);
        else
            estado.cn.Cierra();
    });
    objetos.LiberaObjetos();
}

} // namespace inicio
