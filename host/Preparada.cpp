#include "host/Preparada.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "host/Sentencia.h"

#include <algorithm>
#include <mysql.h>

namespace qm {

struct Preparada::Datos {
    ParametrosConexion parametros; // for the server's name in a failure
    Sentencia sentencia;
    std::vector<Tipo> tipos;
    std::vector<MYSQL_BIND> enlaces;
    std::vector<long long> enteros;
    std::vector<double> dobles;
    std::vector<std::vector<char>> buferes; // where the server's text lands
    std::vector<QByteArray> textos;         // the current row's text values
    std::vector<unsigned long> longitudes;
    std::vector<my_bool> nulos;
    std::vector<my_bool> cortados;
};

Preparada::Preparada(Conexion& cn, const QString& sql, std::vector<Tipo> tipos)
    : d_(std::make_unique<Datos>()) {
    d_->parametros = cn.parametros();
    d_->sentencia = PreparaSentencia(cn, sql);
    MYSQL_STMT* s = d_->sentencia.get();
    const std::size_t n = tipos.size();
    if (mysql_stmt_field_count(s) != n)
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("La consulta no da las columnas esperadas"));
    d_->tipos = std::move(tipos);
    d_->enlaces.assign(n, MYSQL_BIND{});
    d_->enteros.assign(n, 0);
    d_->dobles.assign(n, 0);
    d_->buferes.assign(n, std::vector<char>(256));
    d_->textos.assign(n, QByteArray());
    d_->longitudes.assign(n, 0);
    d_->nulos.assign(n, 0);
    d_->cortados.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        MYSQL_BIND& b = d_->enlaces[i];
        b.length = &d_->longitudes[i];
        b.is_null = &d_->nulos[i];
        b.error = &d_->cortados[i];
        switch (d_->tipos[i]) {
        case Tipo::Entero:
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &d_->enteros[i];
            break;
        case Tipo::Doble:
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = &d_->dobles[i];
            break;
        case Tipo::Texto:
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = d_->buferes[i].data();
            b.buffer_length = static_cast<unsigned long>(d_->buferes[i].size());
            break;
        }
    }
    if (mysql_stmt_execute(s) != 0)
        throw FalloDe(s, d_->parametros);
    if (mysql_stmt_bind_result(s, d_->enlaces.data()) != 0)
        throw FalloDe(s, d_->parametros);
}

Preparada::~Preparada() = default;

bool Preparada::Siguiente() {
    MYSQL_STMT* s = d_->sentencia.get();
    const int r = mysql_stmt_fetch(s);
    if (r == MYSQL_NO_DATA)
        return false;
    if (r == 1)
        throw FalloDe(s, d_->parametros);
    // MYSQL_DATA_TRUNCATED: a text longer than its buffer, read whole below.
    for (std::size_t i = 0; i < d_->tipos.size(); ++i) {
        if (d_->tipos[i] != Tipo::Texto)
            continue;
        QByteArray& t = d_->textos[i];
        const std::size_t longitud = d_->nulos[i] ? 0 : d_->longitudes[i];
        t.resize(static_cast<qsizetype>(longitud));
        if (longitud <= d_->buferes[i].size()) {
            std::copy_n(d_->buferes[i].data(), longitud, t.data());
            continue;
        }
        // Longer than the buffer: read the whole value again.
        MYSQL_BIND b{};
        b.buffer_type = MYSQL_TYPE_STRING;
        b.buffer = t.data();
        b.buffer_length = static_cast<unsigned long>(longitud);
        if (mysql_stmt_fetch_column(s, &b, static_cast<unsigned int>(i), 0) != 0)
            throw FalloDe(s, d_->parametros);
    }
    return true;
}

bool Preparada::EsNulo(int columna) const {
    return d_->nulos[static_cast<std::size_t>(columna)] != 0;
}

long long Preparada::Entero(int columna) const {
    return d_->enteros[static_cast<std::size_t>(columna)];
}

std::optional<double> Preparada::Doble(int columna) const {
    if (EsNulo(columna))
        return std::nullopt;
    return d_->dobles[static_cast<std::size_t>(columna)];
}

const QByteArray& Preparada::Texto(int columna) const {
    return d_->textos[static_cast<std::size_t>(columna)];
}

} // namespace qm
