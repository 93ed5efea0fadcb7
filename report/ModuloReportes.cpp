#include "ModuloReportes.h"

#include "Odbc.h"
#include "Plantilla.h"
#include "host/Error.h"
#include "reportengine/ErroresMotor.h"

#include <QStringList>
#include <cstdint>

namespace modRPTs {

namespace {

namespace id {
constexpr int Archivo = motor::propiedad::ArchivoReporte;
constexpr int Ubicacion = motor::propiedad::Ubicacion;
constexpr int Conexion = motor::propiedad::Conexion;
constexpr int Accion = motor::propiedad::Accion;
constexpr int P15 = 15;
constexpr int P24 = 24;
constexpr int P25 = 25;
constexpr int P12 = 12;
constexpr int Lista30 = 30;
constexpr int P13 = 13;
constexpr int P47 = 47;
constexpr int P48 = 48;
constexpr int P49 = 49;
} // namespace id

} // namespace

ModuloReportes::ModuloReportes(const qm::BasesDD& BasesDD, qm::DelRegistro& DelRegistro,
                               motor::ControlReporte& crpReporte, qm::PuertoMensajes& mensajes)
    : BasesDD_(BasesDD), DelRegistro_(DelRegistro), crpReporte_(crpReporte), mensajes_(mensajes) {}

void ModuloReportes::LimpiaReporte() {
    ParametrosReporte_ = ParametrosReporte{};
}

void ModuloReportes::MuestraError(const qm::Error& error) noexcept {
    try {
        mensajes_.Muestra({QStringLiteral("Error"), error.texto(), qm::Icono::Critico});
    } catch (...) {
        // A box that cannot be shown leaves nothing else to tell the user with.
    }
}

void ModuloReportes::Paso(const std::function<void()>& paso) noexcept {
    try {
        paso();
    } catch (...) {
        // The engine's failures keep their own numbers and texts in the runner's messages.
        MuestraError(qm::ErrorEnCurso());
    }
}

void ModuloReportes::UbicaTabla(int tabla, const QString& entrada, const QString& filePath,
                                const QString& renameList) noexcept {
    if (entrada.startsWith(QLatin1Char('A'))) {
        Paso([&] { crpReporte_.PropiedadIndexada(id::Ubicacion, tabla, filePath); });
        return;
    }
    QString cNombre = entrada.mid(2);
    if (!renameList.isEmpty())
        Paso([&] { CambiaTabla(cNombre, renameList, BasesDD_.cMiBase); });
    const qsizetype punto = cNombre.indexOf(QLatin1Char('.'));
    const QString cResto = punto < 0 ? cNombre : cNombre.mid(punto + 1);
    Paso([&] {
        const QString cUbicacion = BasesDD_.cMiBase + QLatin1Char('.') + cResto;
        crpReporte_.PropiedadIndexada(id::Ubicacion, tabla, cUbicacion);
    });
}

void ModuloReportes::ImprimeReporte(const QString& filePath, const QString& renameList) noexcept {
    ParametrosReporte& p = ParametrosReporte_;

    Paso([&] { PreparaODBC(BasesDD_, DelRegistro_); });

    QStringList entradas;
    std::int16_t cuenta = 0;
    Paso([&] { cuenta = LeeTablasReporte(p.ArchivoReporte, entradas); });

    Paso([&] { crpReporte_.Propiedad(id::Archivo, QString()); });

    for (int i = 1; i <= cuenta; ++i)
        UbicaTabla(i - 1, entradas.at(i - 1), filePath, renameList);
    entradas.clear();

    Paso([&] { crpReporte_.Propiedad(id::P15, p.Propiedad15); });
    Paso([&] { crpReporte_.Propiedad(id::P24, std::int32_t{p.Propiedad24}); });
    Paso([&] { crpReporte_.Propiedad(id::Archivo, p.ArchivoReporte); });
    Paso([&] { crpReporte_.Propiedad(id::P25, std::int32_t{p.Propiedad25}); });
    Paso([&] { crpReporte_.Propiedad(id::P12, p.Propiedad12); });
    Paso([&] {
        if (p.Lista30.isEmpty())
            throw qm::Error(qm::errores::SubindiceFueraDeRango,
                            QStringLiteral("Subíndice fuera del intervalo"));
        crpReporte_.PropiedadIndexada(id::Lista30, 0, p.Lista30.at(0));
    });
    Paso([&] { crpReporte_.Propiedad(id::P13, p.Propiedad13); });
    Paso([&] { crpReporte_.Propiedad(id::P47, p.Propiedad47); });
    Paso([&] { crpReporte_.Propiedad(id::P48, p.Propiedad48); });
    Paso([&] { crpReporte_.Propiedad(id::P49, p.Propiedad49); });

    Paso([&] { crpReporte_.Propiedad(id::Conexion, TextoConexion(BasesDD_)); });
    Paso([&] { crpReporte_.Propiedad(id::Accion, 1); });
}

} // namespace modRPTs
