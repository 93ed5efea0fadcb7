#pragma once

#include "host/Conexion.h"
#include "tests/support/ServidorPrueba.h"

#include <QString>
#include <ostream>
#include <vector>

namespace prueba {

// How a shop's databases may be set up: the character set and collation of the host database
// and of the reports database, the engines of the host tables and the type of their Hora.
// Rows of parameterised tests.
struct PerfilDatos {
    const char* nombre; // a test name's part: letters, digits and "_"
    const char* conjuntoHost;
    const char* colacionHost;
    const char* conjuntoReportes;
    const char* colacionReportes;
    const char* motorVentas; // remisiones and facturas
    const char* motorOtros;  // devolucionctes, edoctacli and clientes
    const char* tipoHora;    // of Hora in the four source tables
};

// The default set-up first, then the others.
const std::vector<PerfilDatos>& PerfilesDatos();

// For gtest's parameter names and messages.
std::string NombrePerfil(const PerfilDatos& perfil);
inline std::ostream& operator<<(std::ostream& os, const PerfilDatos& p) {
    return os << p.nombre;
}

// The host database and the reports database of one test, made with the profile's character
// sets and collations, dropped when it goes out of scope.
struct BasesDePerfil {
    explicit BasesDePerfil(const PerfilDatos& perfil, const DatosServidor& datos = Servidor());
    BaseTemporal principal;
    BaseTemporal reportes;
};

// While it lives, cn's session runs in the empty sql_mode, which accepts the host tables'
// zero-date defaults in any server profile; then the session's mode is put back. For test
// set-up that creates or alters host tables (demo::GeneraDatos included).
class SinModoEstricto {
public:
    explicit SinModoEstricto(qm::Conexion& cn);
    ~SinModoEstricto();
    SinModoEstricto(const SinModoEstricto&) = delete;
    SinModoEstricto& operator=(const SinModoEstricto&) = delete;

private:
    qm::Conexion& cn_;
    QString modo_;
};

// Creates the host tables (clientes, remisiones, facturas, devolucionctes, edoctacli) on cn's
// database with the profile's engines and Hora type, whatever the session's sql_mode.
void CreaTablasHost(qm::Conexion& cn, const PerfilDatos& perfil);
// Gives existing host tables (filled by demo::GeneraDatos, say) the profile's engines and Hora
// type, keeping their rows.
void AjustaTablasHost(qm::Conexion& cn, const PerfilDatos& perfil);

} // namespace prueba
