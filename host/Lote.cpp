#include "host/Lote.h"

#include "host/ErrorMysql.h"
#include "host/Sentencia.h"

#include <QStringList>
#include <algorithm>
#include <mysql.h>
#include <vector>

namespace qm {

struct LoteTriples::Datos {
    Conexion cn;
    QString tabla;
    std::size_t porEnvio = 0; // rows per execution
    Sentencia completa;       // of porEnvio rows
    std::vector<long long> enteros;
    std::vector<double> dobles;
    std::vector<MYSQL_BIND> enlaces;
    std::size_t filas = 0;

    Sentencia Prepara(std::size_t n) {
        QStringList filas(static_cast<qsizetype>(n), QStringLiteral("(?,?,?)"));
        return PreparaSentencia(cn, "INSERT INTO " + tabla + " VALUES " + filas.join(','));
    }
    void Envia(MYSQL_STMT* s) {
        if (mysql_stmt_bind_param(s, enlaces.data()) != 0 || mysql_stmt_execute(s) != 0)
            throw FalloDe(s, cn.parametros());
    }
};

LoteTriples::LoteTriples(Conexion& cn, const QString& tabla, std::size_t bytesPorEnvio)
    : d_(std::make_unique<Datos>()) {
    d_->cn = cn;
    d_->tabla = tabla;
    // Some 30 bytes a row travel; at most 1,000 rows (3,000 values) an execution.
    const std::size_t filas = std::clamp<std::size_t>(bytesPorEnvio / 32, 1, 1000);
    d_->porEnvio = filas;
    d_->enteros.resize(filas);
    d_->dobles.resize(2 * filas);
    d_->enlaces.assign(3 * filas, MYSQL_BIND{});
    for (std::size_t i = 0; i < filas; ++i) {
        MYSQL_BIND* b = &d_->enlaces[3 * i];
        b[0].buffer_type = MYSQL_TYPE_LONGLONG;
        b[0].buffer = &d_->enteros[i];
        b[1].buffer_type = MYSQL_TYPE_DOUBLE;
        b[1].buffer = &d_->dobles[2 * i];
        b[2].buffer_type = MYSQL_TYPE_DOUBLE;
        b[2].buffer = &d_->dobles[2 * i + 1];
    }
}

LoteTriples::~LoteTriples() = default;

void LoteTriples::Agrega(long long a, double b, double c) {
    d_->enteros[d_->filas] = a;
    d_->dobles[2 * d_->filas] = b;
    d_->dobles[2 * d_->filas + 1] = c;
    if (++d_->filas < d_->porEnvio)
        return;
    if (!d_->completa)
        d_->completa = d_->Prepara(d_->porEnvio);
    d_->Envia(d_->completa.get());
    d_->filas = 0;
}

void LoteTriples::Termina() {
    if (d_->filas == 0)
        return;
    Sentencia resto = d_->Prepara(d_->filas);
    d_->Envia(resto.get());
    d_->filas = 0;
}

} // namespace qm
