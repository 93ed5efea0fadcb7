#include "tests/movements/CopiaCompartida.h"

#include "host/Recordset.h"
#include "movements/Movimientos.h"
#include "movements/Tablas.h"
#include "tests/support/PerfilesDatos.h"

#include <thread>

namespace prueba {

Compartida::Compartida() {
    qm::Conexion cn = Conecta();
    CreaTablasHost(cn, PerfilesDatos().front());
    for (const QString cliente : {"C1", "C2"})
        for (int folio = 1; folio <= 3; ++folio) {
            const int numero = (cliente == "C1" ? 100 : 200) + folio;
            cn.Execute(QStringLiteral("INSERT INTO remisiones (Serie,Factura,Cliente,Fecha,Hora,"
                                      "SubTotal) VALUES ('',%1,'%2','2024-03-0%3','10:00:00',%4)")
                           .arg(numero)
                           .arg(cliente)
                           .arg(folio)
                           .arg(numero * 1.5));
            esperadas[cliente].push_back(
                (cliente + QLatin1Char(' ') + QString::number(numero)).toStdString());
        }
    qm::Conexion cnReportes = prueba::Conecta(reportes.nombre());
    QString cSQL;
    movimientos::PreparaTablas(Ajustes(), cn, cnReportes, cSQL);
}

qm::BasesDD Compartida::Ajustes() const {
    const DatosServidor& s = Servidor();
    qm::BasesDD BasesDD;
    BasesDD.cRuta = s.servidor;
    BasesDD.cPuerto = s.puerto;
    BasesDD.cUsuario = s.usuario;
    BasesDD.cPassword = s.password;
    BasesDD.cMiBase = principal.nombre();
    return BasesDD;
}

long long Compartida::Cuenta(const QString& donde) const {
    return Conecta().Consulta("SELECT COUNT(*) FROM tmpravesta" + donde).Valor(0).toLongLong();
}

bool Compartida::HayCopia() const {
    qm::Conexion cn = Conecta();
    return Ajustes().HayTabla("tmpravesta", cn);
}

QStringList Compartida::Columnas(const QString& base, const QString& tabla) {
    return prueba::ColumnasDe(base, tabla);
}

bool Compartida::CopiaComoRavesta() const {
    const QStringList copia = Columnas(principal.nombre(), "tmpravesta");
    return !copia.isEmpty() && copia == Columnas(reportes.nombre(), "ravesta");
}

void Compartida::Marca() const {
    Conecta().Execute(
        "INSERT INTO tmpravesta (Cliente, Fecha, Folio) VALUES ('MARCA', '2024-01-01', 'x')");
}

bool Compartida::Marcada() const {
    return Cuenta(" WHERE Cliente = 'MARCA'") == 1;
}

bool Compartida::Esperando(int sesiones) const {
    qm::Conexion cn = prueba::Conecta();
    for (int i = 0; i < 6000; ++i) {
        if (cn.Consulta("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE STATE = "
                        "'User lock' AND DB = '" +
                        principal.nombre() + "'")
                .Valor(0)
                .toLongLong() == sesiones)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Copia::Arranca(std::chrono::seconds espera) {
    qm::Conexion cnReportes;
    BasesDD.AbrirBdD(cnReportes, compartida.reportes.nombre());
    movimientos::PreparaCopiaCompartida(BasesDD, cn, cnReportes, cSQL, espera);
}

bool Copia::Sale(std::chrono::seconds espera) {
    return movimientos::BorraCopiaCompartida(cn, espera);
}

std::optional<Filas> Copia::Imprime(const QString& cliente,
                                    const std::function<void()>& antesDeLeer,
                                    std::chrono::seconds espera) {
    Filas leidas;
    const auto construye = [&] {
        movimientos::GeneraMovimientos({libQMCM, BasesDD, Utilerias}, cn, cSQL,
                                       {"__/__/____", "__/__/____", cliente});
    };
    const auto lee = [&] {
        if (antesDeLeer)
            antesDeLeer();
        qm::Recordset rs =
            compartida.Conecta().Consulta("SELECT CONCAT(Cliente, ' ', Folio) FROM tmpravesta");
        for (; !rs.Eof(); rs.MoveNext())
            leidas.push_back(rs.Valor(0).toString().toStdString());
    };
    if (!movimientos::ImprimeConCopia(BasesDD, cn, cSQL, construye, lee, espera,
                                      compartida.reportes.nombre()))
        return std::nullopt;
    return leidas;
}

} // namespace prueba
