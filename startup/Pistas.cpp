#include "startup/Pistas.h"

#include "host/Conexion.h"
#include "host/ErrorMysql.h"
#include "movements/CopiaDeTrabajo.h"
#include "movements/Tablas.h"

#include <QRegularExpression>

namespace inicio {

namespace {

using namespace qm::mysql;

QString Servidor(const LugarAjustes& lugar) {
    return qm::ServidorDosPuntos(lugar.servidor, lugar.puerto);
}

QString Derechos() {
    return QStringLiteral("los derechos que el programa necesita están en permisos.sql, en "
                          "/usr/share/doc/quiltaro/ o en docs/ de sus fuentes");
}

} // namespace

QString OrdenCreaReportes() {
    return QStringLiteral("CREATE DATABASE IF NOT EXISTS %1 CHARACTER SET utf8mb4;")
        .arg(movimientos::BaseReportes());
}

QString Pista(const qm::Error& error, const LugarAjustes& lugar, const QString& base) {
    const bool reportes = base == movimientos::BaseReportes();
    if (qm::ServidorInalcanzable(error))
        return QStringLiteral("No se llegó al servidor %1: revise que el servidor esté en marcha "
                              "y acepte conexiones por red, y MySQLServer y MySQLPuerto en la "
                              "sección [Registro] de %2.")
            .arg(Servidor(lugar), lugar.archivoHost);
    switch (error.numero()) {
    case AccesoNegado:
    case AccesoNegadoSinClave:
    case RegistroHostNoBloqueado:
        return QStringLiteral("El servidor %1 rechazó el usuario \"%2\" o su contraseña: revise "
                              "MySQLUsuario y MySQLPassword en la sección [Registro] de %3 (una "
                              "contraseña sin codificar también se acepta).")
            .arg(Servidor(lugar), lugar.usuario, lugar.archivoHost);
    case BaseDesconocida:
    case AccesoBaseNegado:
        if (reportes)
            return QStringLiteral("La base de datos de reportes \"%1\" no existe o el usuario "
                                  "\"%2\" no tiene derechos en ella: quien administra el servidor "
                                  "%3 debe ejecutar %4 y GRANT CREATE ON %1.%6 TO '%2'; "
                                  "(%5).")
                .arg(base, lugar.usuario, Servidor(lugar), OrdenCreaReportes(), Derechos(),
                     movimientos::TablaRavesta());
        if (error.numero() == BaseDesconocida)
            return QStringLiteral("La base de datos \"%1\" no existe en el servidor %2: revise "
                                  "\"Base de datos a usar\" en la sección [Configuración] de %3.")
                .arg(base, Servidor(lugar), lugar.archivoIni);
        return QStringLiteral("La base de datos \"%1\" no existe en el servidor %2 o el usuario "
                              "\"%3\" no tiene derechos en ella: revise \"Base de datos a usar\" "
                              "en la sección [Configuración] de %4; %5.")
            .arg(base, Servidor(lugar), lugar.usuario, lugar.archivoIni, Derechos());
    case TablaNegada:
    case ColumnaNegada: {
        // "SELECT command denied to user 'u'@'h' for table `db`.`t`" (older servers: 't')
        static const QRegularExpression forma(
            QStringLiteral("^(\\w[\\w ]*?) command denied .* for table [`']?([^`']+)[`']?"
                           "(?:\\.[`']([^`']+)[`'])?"));
        const QRegularExpressionMatch m = forma.match(error.descripcion());
        if (!m.hasMatch())
            return QStringLiteral("Al usuario \"%1\" le falta un derecho: %2.")
                .arg(lugar.usuario, Derechos());
        const QString tabla = m.captured(3).isEmpty()
                                  ? base + QLatin1Char('.') + m.captured(2)
                                  : m.captured(2) + QLatin1Char('.') + m.captured(3);
        return QStringLiteral("Al usuario \"%1\" le falta el derecho %2 sobre la tabla %3: "
                              "%4.")
            .arg(lugar.usuario, m.captured(1), tabla, Derechos());
    }
    default:
        return QString();
    }
}

qm::Error ConPista(const qm::Error& error, const LugarAjustes& lugar, const QString& base) {
    const QString pista = Pista(error, lugar, base);
    if (pista.isEmpty() || error.descripcion().contains(QChar(13)))
        return error;
    return qm::Error(error.numero(), error.descripcion() + QChar(13) + pista);
}

} // namespace inicio
