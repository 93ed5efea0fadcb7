#include "startup/Inicio.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "movements/CopiaDeTrabajo.h"
#include "startup/Conexion.h"
#include "startup/ParaPluginsPortables.h"
#include "startup/Pistas.h"

namespace inicio {

namespace {

using namespace qm::mysql;

// Runs a start-up step; its failure gets the line that says what to fix and where.
template <class Paso> void Da(const LugarAjustes& lugar, const QString& base, Paso&& paso) {
    try {
        paso();
    } catch (const qm::Error& error) {
        throw ConPista(error, lugar, base);
    }
}

// Opens the reports database, creating it first when it is missing and the user may. When the
// user may not, the failure to open it stands, with the statement to run.
void AbreReportes(const qm::BasesDD& BasesDD, qm::Conexion& cnReportes, const LugarAjustes& lugar) {
    const QString base = movimientos::BaseReportes();
    try {
        BasesDD.AbrirBdD(cnReportes, base);
        return;
    } catch (const qm::Error& error) {
        if (error.numero() != BaseDesconocida && error.numero() != AccesoBaseNegado)
            throw ConPista(error, lugar, base);
        try {
            qm::Conexion cnServidor;
            BasesDD.AbrirBdD(cnServidor, QString());
            cnServidor.Execute(OrdenCreaReportes());
        } catch (const qm::Error&) {
            throw ConPista(error, lugar, base);
        }
    }
    Da(lugar, base, [&] { BasesDD.AbrirBdD(cnReportes, base); });
}

// Runs one shutdown step; its failure must not keep the next steps from running.
template <class Paso> void Intenta(Paso&& paso) noexcept {
    try {
        paso();
    } catch (...) {
    }
}

} // namespace

QString OpcionConfigurar() {
    return QStringLiteral("Configurar la conexión…");
}

QString Version() {
    return QStringLiteral("%1.%2.%3")
        .arg(QUILTARO_VERSION_MAJOR)
        .arg(QUILTARO_VERSION_MINOR)
        .arg(QUILTARO_VERSION_PATCH);
}

bool Arranca(VentanaInicio& ventana, modComun& objetos, EstadoPrincipal& estado,
             const QString& carpetaEjecutable) {
    // The user's own settings when there are any, else the file beside the program.
    estado.cArchivoIni = ArchivoIni(carpetaEjecutable);

    objetos.CreaObjetos(carpetaEjecutable);
    const qm::libQMCM& libQMCM = *objetos.libQMCM;
    qm::BasesDD& BasesDD = *objetos.BasesDD;

    for (int index : {0, 1})
        ventana.PreparaFecha(index, libQMCM.MascaraFecha(), libQMCM.FormatoFecha(),
                             libQMCM.FechaHoy());

    estado.configurar = false;
    const EntornoConfiguracion entorno{estado.cArchivoIni, carpetaEjecutable, &ventana.Mensajes(),
                                       estado.opcionConfigurar, &estado.configurar};
    if (!CargaConfiguracion(libQMCM, *objetos.DelRegistro, BasesDD, *objetos.Utilerias, entorno)) {
        // The user may have chosen to set the connection up: the caller then goes on.
        if (!estado.configurar)
            ventana.Cierra();
        return false;
    }

    ventana.PonEstado(QStringLiteral(" Servidor: ") + BasesDD.cRuta + QChar(13) +
                      QStringLiteral("  Base de datos: ") + BasesDD.cMiBase);
    ventana.PonTitulo(ventana.Titulo() + QStringLiteral("      ") + Version());

    const LugarAjustes lugar{estado.cArchivoIni, objetos.DelRegistro->archivo(), BasesDD.cRuta,
                             BasesDD.Parametros(BasesDD.cMiBase).puerto, BasesDD.cUsuario};
    Da(lugar, BasesDD.cMiBase, [&] { BasesDD.AbrirBdD(estado.cn, BasesDD.cMiBase); });
    qm::Conexion cnReportes;
    AbreReportes(BasesDD, cnReportes, lugar);
    // Another copy of the program may be printing from the same working copy.
    Da(lugar, BasesDD.cMiBase,
       [&] { movimientos::PreparaCopiaCompartida(BasesDD, estado.cn, cnReportes, estado.cSQL); });
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
