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

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

// A report of `clientes` customers with twenty movements each.
motor::ReporteHecho Reporte(std::size_t clientes) {
    QFile fuente(QStringLiteral(QUILTARO_SOURCE_DIR "/templates/quiltaro.rpt.txt"));
    if (!fuente.open(QIODevice::ReadOnly))
        std::exit(1);
    const motor::Plantilla plantilla = motor::LeeFuente(QString::fromUtf8(fuente.readAll()));
    motor::TablaDatos t;
    for (const motor::ColumnaPedida& c : motor::ColumnasPedidas(plantilla.diseno))
        t.columnas.push_back({c.nombre, c.numerica, {}, {}});
    auto col = [&](const char* nombre) -> motor::ColumnaDatos& {
        return t.columnas[std::size_t(t.Indice(QLatin1String(nombre)))];
    };
    const std::size_t n = clientes * 20;
    for (std::size_t i = 0; i < n; ++i) {
        col("Cliente").textos.push_back(
            QStringLiteral("C%1").arg(i % clientes, 4, 10, QLatin1Char('0')));
        col("Fecha").textos.push_back(
            QDate(2026, 11, 1).addDays(qint64(i % 30)).toString(QStringLiteral("yyyy-MM-dd")));
        col("Hora").textos.push_back(
            QStringLiteral("10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')));
        col("Movimiento")
            .textos.push_back(i % 3 ? QStringLiteral("Remisión") : QStringLiteral("Pago"));
        col("Folio").textos.push_back(QStringLiteral("A %1").arg(i));
        const double importe = double(i % 1000) * 1.37 + 0.25;
        col("Ventas").numeros.push_back(i % 3 ? importe : 0);
        col("Devoluciones").numeros.push_back(0);
        col("Pagos").numeros.push_back(i % 3 ? 0 : importe);
        col("SaldoAnterior").numeros.push_back(double(i) * 10.5);
        col("SaldoActual").numeros.push_back(double(i) * 10.5 + importe);
    }
    t.filas = n;
    motor::Clasificaciones clases;
    for (const QString& campo : motor::CamposClasificados(plantilla.diseno)) {
        const std::vector<QString>& textos = col(campo.toLatin1().constData()).textos;
        const std::set<QString> distintos(textos.begin(), textos.end());
        std::size_t rango = 0;
        for (const QString& v : distintos)
            clases[campo].insert(v, {rango++, v});
    }
    auto datos = std::make_shared<const motor::DatosReporte>(
        motor::OrdenaYAgrupa(std::move(t), plantilla.diseno, clases));
    auto cuentas = std::make_shared<const motor::Cuentas>(
        motor::CalculaCuentas(*datos, plantilla.diseno, QDate(2026, 11, 30)));
    return {datos, cuentas, plantilla.diseno, {QDate(2026, 11, 1), QDate(2026, 11, 30), {}}};
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
