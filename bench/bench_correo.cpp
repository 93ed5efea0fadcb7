// Sending statements by mail against writing them: every customer's statement written to a
// folder by the engine, then each one sent over one STARTTLS session to the local test mail
// server (aiosmtpd, which writes every message into a Maildir), side by side.
//
//   bench_correo [CUSTOMERS]
#include "mail/Envio.h"
#include "reportengine/Cuentas.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/TextoDiseno.h"
#include "tests/mail/ServidorCorreo.h"
#include "tests/support/FilasMotor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

// A report of `clientes` customers with twenty movements each.
motor::ReporteHecho Reporte(std::size_t clientes) {
    QFile fuente(QStringLiteral(QUILTARO_SOURCE_DIR "/templates/quiltaro.rpt.txt"));
    if (!fuente.open(QIODevice::ReadOnly))
        std::exit(1);
    const motor::Plantilla plantilla = motor::LeeFuente(QString::fromUtf8(fuente.readAll()));
    // Twenty movements a customer.
    prueba::FilasMotor filas = prueba::FilasDeBanco(clientes * 20, plantilla.diseno, clientes);
    auto datos = std::make_shared<const motor::DatosReporte>(
        motor::OrdenaYAgrupa(std::move(filas.tabla), plantilla.diseno, filas.clases));
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, plantilla.diseno, QDate(2024, 12, 31)));
    return {datos, cuentas, plantilla.diseno, {QDate(2024, 1, 1), QDate(2024, 12, 31), {}}};
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication aplicacion(argc, argv);
    const std::size_t clientes = argc > 1 ? std::size_t(std::atol(argv[1])) : 1000;
    const motor::ReporteHecho reporte = Reporte(clientes);
    QTemporaryDir carpeta;

    QElapsedTimer reloj;
    reloj.start();
    const std::size_t escritos =
        motor::EscribeEstados(reporte, carpeta.path(), QDateTime::currentDateTime());
    const qint64 escribe = reloj.elapsed();

    const QStringList nombres = motor::NombresEstados(*reporte.datos);
    std::vector<correo::EstadoPorEnviar> estados;
    for (qsizetype i = 0; i < nombres.size(); ++i)
        estados.push_back({QStringLiteral("C%1").arg(i), QStringLiteral("Cliente %1").arg(i), 100,
                           carpeta.path() + QLatin1Char('/') + nombres[i],
                           correo::DireccionesDe(QStringLiteral("c%1@ejemplo.mx").arg(i), {})});
    prueba::ServidorCorreo servidor;
    correo::AjustesCorreo a = correo::AjustesPorOmision();
    a.servidor = QStringLiteral("127.0.0.1");
    a.puerto = servidor.puerto();
    a.usuario = prueba::kUsuarioCorreo;
    a.direccionRemitente = QStringLiteral("cobranza@tienda.mx");
    a.archivoCertificado = prueba::CertificadosDePrueba().autoridad;
    correo::OpcionesEnvio o;
    o.periodo = QStringLiteral("01/11/2026 al 30/11/2026");
    reloj.restart();
    const correo::Resumen r =
        correo::EnviaEstados(a, prueba::kClaveCorreo, estados, carpeta.path(), o);
    const qint64 envia = reloj.elapsed();

    std::printf("statements %zu written in %lld ms; %zu sent (%zu failed) in %lld ms over %d "
                "connection(s); send/write ratio %.2f (goal <= 1.5)\n",
                escritos, escribe, r.enviados, r.fallidos, envia, servidor.Autenticaciones(),
                double(envia) / double(std::max<qint64>(1, escribe)));
    return r.enviados == escritos ? 0 : 1;
}
