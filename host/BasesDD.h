#pragma once

#include "Conexion.h"
#include "ObjetoQM.h"
#include "Recordset.h"

#include <QString>
#include <QVariant>

namespace qm {

// The database object of the host library: the settings record of the connection and the
// operations on connections and tables.
class BasesDD final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.BasesDD"); }

    // The settings record.
    QString cRuta;    // MySQL server host name; empty means localhost
    QVariant cPuerto; // port, as text or number
    QString cUsuario;
    QString cPassword; // plain text
    QString cMiBase;   // the configured database

    // Opens cn on the database with the record's server, port and credentials, charset
    // utf8mb4, a connect timeout of seconds and the answer bounds of ParametrosConexion (a
    // statement fails when a silent server has not begun to answer within RespuestaBreve;
    // the movement builder raises it to RespuestaLarga). A server error keeps its number and
    // text.
    void AbrirBdD(Conexion& cn, const QString& base) const;
    // Whether the table exists, by its exact name, in the connection's database.
    bool HayTabla(const QString& tabla, Conexion& cn) const;
    // Opens rs on SELECT campos (or *) FROM expresion; true when it holds a row, standing on
    // the first. An open rs is replaced.
    bool AbrirTabla(Recordset& rs, Conexion& cn, const QString& expresion,
                    const QString& campos = QString()) const;
    // Closes rs; one never opened is accepted.
    void CierraTabla(Recordset& rs) const;
    // Closes cn; one never opened is accepted.
    void CierraBdD(Conexion& cn) const;

    // The record as connection parameters for the database.
    ParametrosConexion Parametros(const QString& base) const;
};

} // namespace qm
