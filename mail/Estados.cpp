#include "mail/Estados.h"

#include <QDir>

namespace correo {

namespace {

// The oldest bucket holding part of the balance, as printed.
void TramoMayor(const motor::Antiguedad& a, ClienteDelReporte& c) {
    for (std::size_t t = motor::NumeroTramos; t-- > 0;) {
        if (a.centavos[t] != 0) {
            c.tramo = motor::NombreTramo(motor::Tramo(t));
            c.importeTramo = double(a.centavos[t]) / 100;
            return;
        }
    }
}

} // namespace

std::vector<ClienteDelReporte> ClientesDelReporte(const motor::ReporteHecho& reporte) {
    const QStringList archivos = motor::NombresEstados(*reporte.datos);
    std::vector<ClienteDelReporte> clientes;
    clientes.reserve(reporte.datos->grupos.size());
    for (std::size_t g = 0; g < reporte.datos->grupos.size(); ++g) {
        const motor::GrupoDatos& grupo = reporte.datos->grupos[g];
        const motor::CuentaGrupo& cuenta = reporte.cuentas->grupos[g];
        ClienteDelReporte c;
        c.clave = grupo.clave.trimmed();
        c.nombre = grupo.nombre;
        c.saldo = double(motor::CentavosImpresos(cuenta.saldoFinal)) / 100;
        TramoMayor(cuenta.antiguedad, c);
        c.archivo = archivos[qsizetype(g)];
        clientes.push_back(std::move(c));
    }
    return clientes;
}

std::vector<EstadoPorEnviar> EstadosPorEnviar(const std::vector<ClienteDelReporte>& clientes,
                                              const QString& carpeta,
                                              const QHash<QString, CorreosCliente>& correos) {
    const QDir dir(carpeta);
    std::vector<EstadoPorEnviar> estados;
    estados.reserve(clientes.size());
    for (const ClienteDelReporte& c : clientes)
        estados.push_back(
            {c.clave, c.nombre, c.saldo, dir.filePath(c.archivo), correos.value(c.clave)});
    return estados;
}

} // namespace correo
