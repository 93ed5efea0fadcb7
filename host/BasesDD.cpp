#include "host/BasesDD.h"

namespace qm {

namespace {

constexpr unsigned PuertoMysql = 3306;
constexpr unsigned SegundosConexion = 5;

// The leading digits of the port as text or number; none (or 0) is MySQL's own port.
unsigned Puerto(const QVariant& valor) {
    const QString texto = valor.toString().trimmed();
    qsizetype fin = 0;
    while (fin < texto.size() && texto.at(fin).isDigit() && texto.at(fin).unicode() < 128)
        ++fin;
    bool ok = false;
    const unsigned puerto = texto.left(fin).toUInt(&ok);
    return ok && puerto != 0 ? puerto : PuertoMysql;
}

} // namespace

ParametrosConexion BasesDD::Parametros(const QString& base) const {
    ParametrosConexion p;
    p.servidor = cRuta.trimmed();
    p.puerto = Puerto(cPuerto);
    p.usuario = cUsuario;
    p.password = cPassword;
    p.base = base;
    p.segundosEspera = SegundosConexion;
    p.plazoRespuesta = RespuestaBreve;
    return p;
}

void BasesDD::AbrirBdD(Conexion& cn, const QString& base) const {
    cn = Conexion::Abre(Parametros(base));
}

bool BasesDD::HayTabla(const QString& tabla, Conexion& cn) const {
    // The plain comparison lets the server look the one table up; the binary one makes the
    // name exact.
    const QString nombre = QLatin1Char('\'') + cn.Escapa(tabla) + QLatin1Char('\'');
    Recordset rs = cn.Consulta(
        QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                       "DATABASE() AND TABLE_NAME = %1 AND CAST(TABLE_NAME AS BINARY) = "
                       "CAST(%1 AS BINARY)")
            .arg(nombre));
    return !rs.Eof() && rs.Valor(0).toLongLong() > 0;
}

bool BasesDD::AbrirTabla(Recordset& rs, Conexion& cn, const QString& expresion,
                         const QString& campos) const {
    rs.Cierra();
    const QString lista = campos.trimmed().isEmpty() ? QStringLiteral("*") : campos;
    rs = cn.Consulta(QStringLiteral("SELECT ") + lista + QStringLiteral(" FROM ") + expresion);
    return !rs.Eof();
}

void BasesDD::CierraTabla(Recordset& rs) const {
    rs.Cierra();
}

void BasesDD::CierraBdD(Conexion& cn) const {
    cn.Cierra();
}

} // namespace qm
