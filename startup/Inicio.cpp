#include "startup/Inicio.h"

#include "host/Error.h"
#include "movements/Tablas.h"
#include "startup/ParaPluginsPortables.h"

namespace inicio {

namespace {

const QString BaseReportes = QStringLiteral("trevantoreportes");

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
    BasesDD.AbrirBdD(cnReportes, BaseReportes);
    movimientos::PreparaTablas(BasesDD, estado.cn, cnReportes, estado.cSQL);
    BasesDD.CierraBdD(cnReportes);
    return true;
}

void Termina(modComun& objetos, EstadoPrincipal& estado) noexcept {
    Intenta([&] { estado.cn.Execute(QStringLiteral("Drop table if exists tmpravesta")); });
    Intenta([&] {
        if (objetos.BasesDD)
            objetos.BasesDD->CierraBdD(estado.cn);
        else
            estado.cn.Cierra();
    });
    objetos.LiberaObjetos();
}

} // namespace inicio
