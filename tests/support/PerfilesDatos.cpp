#include "tests/support/PerfilesDatos.h"

#include "demo/datos/DatosHost.h"
#include "host/Recordset.h"

namespace prueba {

const std::vector<PerfilDatos>& PerfilesDatos() {
    static const std::vector<PerfilDatos> perfiles = {
        {"utf8mb4_general", "utf8mb4", "utf8mb4_general_ci", "utf8mb4", "utf8mb4_general_ci",
         "MyISAM", "MyISAM", "varchar(8)"},
        {"latin1_spanish", "latin1", "latin1_spanish_ci", "latin1", "latin1_swedish_ci", "MyISAM",
         "MyISAM", "varchar(8)"},
        {"utf8mb4_unicode", "utf8mb4", "utf8mb4_unicode_ci", "utf8mb4", "utf8mb4_general_ci",
         "MyISAM", "MyISAM", "varchar(8)"},
        {"motores_mixtos_time", "utf8mb4", "utf8mb4_general_ci", "utf8mb4", "utf8mb4_general_ci",
         "InnoDB", "MyISAM", "time"},
        {"motores_mixtos_char", "utf8mb4", "utf8mb4_general_ci", "utf8mb4", "utf8mb4_general_ci",
         "MyISAM", "InnoDB", "char(8)"},
    };
    return perfiles;
}

std::string NombrePerfil(const PerfilDatos& perfil) {
    return perfil.nombre;
}

BasesDePerfil::BasesDePerfil(const PerfilDatos& p, const DatosServidor& datos)
    : principal("host", p.conjuntoHost, p.colacionHost, datos),
      reportes("rep", p.conjuntoReportes, p.colacionReportes, datos) {}

SinModoEstricto::SinModoEstricto(qm::Conexion& cn) : cn_(cn) {
    modo_ = cn_.Consulta("SELECT @@SESSION.sql_mode").Valor(0).toString();
    cn_.Execute("SET SESSION sql_mode=''");
}

SinModoEstricto::~SinModoEstricto() {
    try {
        cn_.Execute("SET SESSION sql_mode='" + modo_ + "'");
    } catch (...) {
    }
}

void CreaTablasHost(qm::Conexion& cn, const PerfilDatos& p) {
    {
        SinModoEstricto libre(cn);
        demo::CreaEsquema(cn);
    }
    AjustaTablasHost(cn, p);
}

void AjustaTablasHost(qm::Conexion& cn, const PerfilDatos& p) {
    SinModoEstricto libre(cn);
    const QString hora = QStringLiteral(", MODIFY `Hora` %1 NOT NULL DEFAULT '00:00:00'");
    for (const char* tabla : {"remisiones", "facturas"})
        cn.Execute(QStringLiteral("ALTER TABLE %1 ENGINE=%2").arg(tabla, p.motorVentas) +
                   hora.arg(p.tipoHora));
    for (const char* tabla : {"devolucionctes", "edoctacli"})
        cn.Execute(QStringLiteral("ALTER TABLE %1 ENGINE=%2").arg(tabla, p.motorOtros) +
                   hora.arg(p.tipoHora));
    cn.Execute(QStringLiteral("ALTER TABLE clientes ENGINE=%1").arg(p.motorOtros));
}

} // namespace prueba
