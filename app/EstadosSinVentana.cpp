#include "app/EstadosSinVentana.h"

#include "app/ControlEstados.h"
#include "app/EnvioSinVentana.h"
#include "app/MensajesConsola.h"
#include "app/OpcionesEstados.h"
#include "mail/Ajustes.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Movimientos.h"
#include "movements/Tablas.h"
#include "report/ModuloReportes.h"
#include "reportengine/Membrete.h"
#include "startup/Inicio.h"

#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <optional>

namespace {

// Start-up's side of the window, for a run that has none: its messages go to the standard
// error and what it would show in the window goes nowhere.
class ArranqueSinVentana final : public inicio::VentanaInicio {
public:
    explicit ArranqueSinVentana(qm::PuertoMensajes& mensajes) : mensajes_(mensajes) {}
    void PreparaFecha(int, const QString&, const QString&, const QString&) override {}
    void PonEstado(const QString&) override {}
    QString Titulo() const override { return titulo_; }
    void PonTitulo(const QString& caption) override { titulo_ = caption; }
    qm::PuertoMensajes& Mensajes() override { return mensajes_; }
    void Cierra() override {}

private:
    qm::PuertoMensajes& mensajes_;
    QString titulo_ = QStringLiteral("Quiltaro");
};

// The program's objects for the run, and its shutdown sequence however the run ends.
struct Programa {
    inicio::modComun objetos;
    inicio::EstadoPrincipal estado;
    Programa() = default;
    ~Programa() { inicio::Termina(objetos, estado); }
    Programa(const Programa&) = delete;
    Programa& operator=(const Programa&) = delete;
};

QString FechaVentana(const QDate& fecha) {
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

// Builds the movements and runs the report on them, as a Print does: under the working copy's
// lock, the same wait and the same message when another copy keeps it. None, with the reason
// told on the standard error, when it could not.
std::optional<motor::ReporteListo> Reporte(Programa& p, const OpcionesEstados& o,
                                           const QString& carpetaEjecutable,
                                           MensajesConsola& mensajes) {
    ControlEstados control;
    const auto construye = [&] {
        movimientos::GeneraMovimientos(
            {*p.objetos.libQMCM, *p.objetos.BasesDD, *p.objetos.Utilerias}, p.estado.cn,
            p.estado.cSQL, {FechaVentana(o.desde), FechaVentana(o.hasta), o.cliente});
    };
    const auto lee = [&] {
        modRPTs::ModuloReportes reportes(*p.objetos.BasesDD, *p.objetos.DelRegistro, control,
                                         mensajes);
        control.PonSolicitud({o.desde, o.hasta, o.cliente});
        reportes.LimpiaReporte();
        reportes.parametros().ArchivoReporte = carpetaEjecutable + QStringLiteral("/quiltaro.rpt");
        reportes.parametros().Propiedad24 = std::int16_t(motor::Destino::Pantalla);
        reportes.ImprimeReporte(QString(), movimientos::TablaRavesta() + QLatin1Char('*') +
                                               movimientos::TablaTrabajo());
    };
    try {
        if (!movimientos::ImprimeConCopia(*p.objetos.BasesDD, p.estado.cn, p.estado.cSQL, construye,
                                          lee)) {
            mensajes.Muestra({QStringLiteral("Quiltaro"), movimientos::MensajeOcupado(),
                              qm::Icono::Exclamacion});
            return std::nullopt;
        }
    } catch (...) {
        mensajes.Muestra({QStringLiteral("Quiltaro"), qm::ErrorEnCurso().texto()});
        return std::nullopt;
    }
    // The runner told its own failures already.
    return control.reporte();
}

// One line per statement written: code, name, "escrito", its file.
void ListaEscritos(const std::vector<correo::ClienteDelReporte>& clientes) {
    for (const correo::ClienteDelReporte& c : clientes)
        EscribeLinea(QStringList{c.clave, c.nombre, QStringLiteral("escrito"), c.archivo}.join(
            QLatin1Char('\t')));
}

} // namespace

int EjecutaEstados(const QStringList& argumentos, const QString& carpetaEjecutable) {
    const LecturaEstados lectura = LeeOpcionesEstados(argumentos, QDate::currentDate());
    if (lectura.ayuda) {
        EscribeLinea(AyudaEstados());
        return salida::Hecho;
    }
    if (!lectura.opciones) {
        EscribeError(lectura.error + QStringLiteral(" (quiltaro --help dice las opciones)"));
        return salida::NoCorrio;
    }
    OpcionesEstados o = *lectura.opciones;
    // The mail settings are checked before anything is built: a run that cannot send stops here.
    std::optional<CorreoSinVentana> correo;
    if (o.enviar) {
        QString error;
        correo = PreparaCorreo(error);
        if (!correo) {
            EscribeError(error);
            return salida::NoCorrio;
        }
    }
    // Start-up makes the program's folder the current one: a relative folder is the caller's.
    o.carpeta = QDir::cleanPath(QDir::current().absoluteFilePath(o.carpeta));
    if (!QDir().mkpath(o.carpeta)) {
        EscribeError(QStringLiteral("No se pudo crear la carpeta «%1».").arg(o.carpeta));
        return salida::NoCorrio;
    }

    MensajesConsola mensajes;
    Programa p;
    ArranqueSinVentana ventana(mensajes);
    try {
        if (!inicio::Arranca(ventana, p.objetos, p.estado, carpetaEjecutable))
            return salida::NoCorrio;
    } catch (...) {
        mensajes.Muestra({QStringLiteral("Quiltaro"), qm::ErrorEnCurso().texto()});
        return salida::NoCorrio;
    }

    const std::optional<motor::ReporteListo> reporte = Reporte(p, o, carpetaEjecutable, mensajes);
    if (!reporte)
        return salida::NoCorrio;
    motor::ReporteHecho hecho = reporte->Hecho();
    // The shop's letterhead, as the window draws it on the statements.
    hecho.membrete = motor::CargaMembrete(correo::CarpetaAjustesUsuario());
    const std::vector<correo::ClienteDelReporte> clientes = correo::ClientesDelReporte(hecho);
    try {
        motor::EscribeEstados(hecho, o.carpeta, QDateTime::currentDateTime());
    } catch (...) {
        mensajes.Muestra({QStringLiteral("Quiltaro"), qm::ErrorEnCurso().texto()});
        return salida::NoCorrio;
    }
    if (clientes.empty())
        EscribeLinea(QStringLiteral("No hay movimientos de %1 en el periodo %2.")
                         .arg(o.cliente.isEmpty() ? QStringLiteral("ningún cliente")
                                                  : QStringLiteral("el cliente ") + o.cliente,
                              correo::Periodo(o.desde, o.hasta)));
    if (!o.enviar) {
        ListaEscritos(clientes);
        EscribeLinea(QStringLiteral("Estados escritos: %1, con su índice, en %2.")
                         .arg(clientes.size())
                         .arg(o.carpeta));
        return salida::Hecho;
    }
    return EnviaSinVentana(*correo, clientes, p.estado.cn, p.estado.cArchivoIni, *p.objetos.libQMCM,
                           o);
}

int EstadosSinVentana(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication aplicacion(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quiltaro"));
    return EjecutaEstados(QCoreApplication::arguments(), QCoreApplication::applicationDirPath());
}
