#include "ApoyoMotor.h"

#include "host/Recordset.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/TextoDiseno.h"
#include "tests/support/EntornoPrueba.h"
#include "tests/support/ServidorPrueba.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace prueba {

motor::Plantilla PlantillaMovimientos() {
    QFile fuente(QStringLiteral(QUILTARO_PLANTILLA_FUENTE));
    if (!fuente.open(QIODevice::ReadOnly))
        throw std::runtime_error("no template source");
    return motor::LeeFuente(QString::fromUtf8(fuente.readAll()));
}

QByteArray BytesMovimientos() {
    return motor::EscribePlantilla(PlantillaMovimientos());
}

struct DatosReporte::Datos {
    BaseTemporal base{QStringLiteral("motor")};
    qm::Conexion cn = Conecta(base.nombre());
};

namespace {
QString Colacion(const QString& colacion) {
    if (colacion.isEmpty())
        return {};
    return QStringLiteral(" CHARACTER SET %1 COLLATE %2")
        .arg(colacion.section(QLatin1Char('_'), 0, 0), colacion);
}
} // namespace

DatosReporte::DatosReporte(const QString& colacionMovimientos, const QString& colacionClientes)
    : d_(std::make_unique<Datos>()) {
    // The working table as the builder makes it: MyISAM, keyed by customer, date and time.
    d_->cn.Execute(
        QStringLiteral(
            "CREATE TABLE tmpravesta (Cliente varchar(10) NOT NULL DEFAULT '', Fecha date NOT "
            "NULL, "
            "Hora varchar(8) NOT NULL DEFAULT '00:00:00', Movimiento varchar(20) NOT NULL DEFAULT "
            "'', "
            "Folio varchar(10) NOT NULL DEFAULT '', Ventas double NOT NULL DEFAULT 0, "
            "Devoluciones double NOT NULL DEFAULT 0, Pagos double NOT NULL DEFAULT 0, "
            "SaldoAnterior double NOT NULL DEFAULT 0, SaldoActual double NOT NULL DEFAULT 0, "
            "KEY (Cliente, Fecha, Hora)) ENGINE=MyISAM") +
        Colacion(colacionMovimientos));
    d_->cn.Execute(QStringLiteral("CREATE TABLE clientes (Clave varchar(10) NOT NULL, Nombre "
                                  "varchar(60) NOT NULL, KEY (Clave))") +
                   Colacion(colacionClientes));
    const DatosServidor& s = Servidor();
    QFile ini(Entorno().odbcIni());
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write odbc.ini");
    ini.write(QStringLiteral("[Trevanto Reportes]\nDriver=MariaDB Unicode\nServer=127.0.0.1\n"
                             "Port=%1\n")
                  .arg(s.puerto)
                  .toUtf8());
}

DatosReporte::~DatosReporte() = default;

const QString& DatosReporte::base() const {
    return d_->base.nombre();
}

QString DatosReporte::textoConexion(const QString& password) const {
    QString braced = password;
    braced.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return QStringLiteral("SERVER=127.0.0.1;DB=%1;UID=%2;PWD={%3};")
        .arg(base(), Servidor().usuario, braced);
}

QString DatosReporte::textoConexion() const {
    return textoConexion(Servidor().password);
}

void DatosReporte::Cliente(const QString& clave, const QString& nombre) {
    d_->cn.Execute(QStringLiteral("INSERT INTO clientes VALUES ('%1','%2')")
                       .arg(d_->cn.Escapa(clave), d_->cn.Escapa(nombre)));
}

void DatosReporte::Movimientos(const std::vector<Movimiento>& filas) {
    // Batches keep the many-rows cases quick.
    for (std::size_t i = 0; i < filas.size(); i += 500) {
        QStringList valores;
        for (std::size_t j = i; j < std::min(filas.size(), i + 500); ++j) {
            const Movimiento& m = filas[j];
            valores << QStringLiteral("('%1','%2','%3','%4','%5',%6,%7,%8,%9,%10)")
                           .arg(d_->cn.Escapa(m.cliente), m.fecha, m.hora,
                                d_->cn.Escapa(m.movimiento), d_->cn.Escapa(m.folio))
                           .arg(m.ventas, 0, 'g', 17)
                           .arg(m.devoluciones, 0, 'g', 17)
                           .arg(m.pagos, 0, 'g', 17)
                           .arg(m.anterior, 0, 'g', 17)
                           .arg(m.actual, 0, 'g', 17);
        }
        d_->cn.Execute(QStringLiteral("INSERT INTO tmpravesta VALUES ") +
                       valores.join(QLatin1Char(',')));
    }
}

QStringList DatosReporte::Columna(const QString& sql) {
    QStringList valores;
    for (qm::Recordset rs = d_->cn.Consulta(sql); !rs.Eof(); rs.MoveNext())
        valores << rs.Valor(0).toString();
    return valores;
}

void DatosReporte::Ejecuta(const QString& sql) {
    d_->cn.Execute(sql);
}

QString TextoPdf(const QString& ruta) {
    return Ejecuta(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), ruta, QStringLiteral("-")});
}

QString EscribeMovimientos(const QString& carpeta) {
    const QString ruta = carpeta + QStringLiteral("/quiltaro.rpt");
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(BytesMovimientos()) < 0)
        return QString();
    return ruta;
}

} // namespace prueba
