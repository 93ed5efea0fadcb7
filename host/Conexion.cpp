#include "host/Conexion.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "host/Recordset.h"
#include "host/Sesion.h"

#include <QRegularExpression>
#include <algorithm>
#include <errmsg.h>
#include <poll.h>
#include <utility>

namespace qm {

namespace {

Error Cerrada() {
    return Error(errores::ObjetoCerrado,
                 QStringLiteral("No se permite la operación: la conexión está cerrada"));
}

// Always TCP: the settings give a port, and "localhost" in Connector/C would otherwise mean
// the default unix socket of some other server. An empty server is this machine.
std::unique_ptr<MYSQL, CierraMysql> Conecta(const ParametrosConexion& p) {
    std::unique_ptr<MYSQL, CierraMysql> m(mysql_init(nullptr));
    if (!m)
        throw Error(CR_OUT_OF_MEMORY, QStringLiteral("Sin memoria para la conexión"));
    unsigned int espera = p.segundosEspera;
    mysql_optionsv(m.get(), MYSQL_OPT_CONNECT_TIMEOUT, &espera);
    mysql_optionsv(m.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    my_bool reconecta = 0;
    mysql_optionsv(m.get(), MYSQL_OPT_RECONNECT, &reconecta);
    unsigned int protocolo = MYSQL_PROTOCOL_TCP;
    mysql_optionsv(m.get(), MYSQL_OPT_PROTOCOL, &protocolo);

    const QByteArray servidor =
        p.servidor.trimmed().isEmpty() ? QByteArray("127.0.0.1") : p.servidor.trimmed().toUtf8();
    const QByteArray usuario = p.usuario.toUtf8();
    const QByteArray password = p.password.toUtf8();
    const QByteArray base = p.base.toUtf8();
    if (!mysql_real_connect(m.get(), servidor.constData(), usuario.constData(),
                            password.constData(), base.isEmpty() ? nullptr : base.constData(),
                            p.puerto, nullptr, CLIENT_MULTI_RESULTS))
        throw FalloDe(m.get());
    return m;
}

// An idle session has nothing to read: a readable socket means the server closed it.
bool Caida(MYSQL* m) {
    const int fd = static_cast<int>(mysql_get_socket(m));
    if (fd < 0)
        return true;
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) != 0;
}

bool EsAjuste(const QString& sql) {
    return sql.trimmed().startsWith(QLatin1String("SET "), Qt::CaseInsensitive);
}

void Ejecuta(MYSQL* m, const QByteArray& sql) {
    if (mysql_real_query(m, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        throw FalloDe(m);
    do {
        ResultadoMysql r(mysql_store_result(m));
        if (!r && mysql_field_count(m) != 0)
            throw FalloDe(m);
    } while (mysql_next_result(m) == 0);
    if (mysql_errno(m) != 0)
        throw FalloDe(m);
}

} // namespace

MYSQL* Conexion::Sesion::Prepara() {
    if (!mysql)
        throw Cerrada();
    if (Caida(mysql.get()))
        Reabre();
    return mysql.get();
}

void Conexion::Sesion::Reabre() {
    // On failure the dead session stays, so a later statement tries again.
    std::unique_ptr<MYSQL, CierraMysql> nueva = Conecta(parametros);
    for (const QString& ajuste : ajustes)
        Ejecuta(nueva.get(), ajuste.toUtf8());
    mysql = std::move(nueva);
}

ResultadoMysql Conexion::Sesion::Envia(const QString& sql) {
    if (observador)
        observador(sql);
    MYSQL* m = Prepara();
    const QByteArray texto = sql.toUtf8();
    const auto longitud = static_cast<unsigned long>(texto.size());
    if (mysql_real_query(m, texto.constData(), longitud) != 0) {
        // 2006: the statement could not be sent, so it never ran and may go again on a new
        // session. 2013 (lost while answering) may have run: it fails.
        if (mysql_errno(m) != CR_SERVER_GONE_ERROR)
            throw FalloDe(m);
        Reabre();
        m = mysql.get();
        if (mysql_real_query(m, texto.constData(), longitud) != 0)
            throw FalloDe(m);
    }
    ResultadoMysql primero;
    bool hayPrimero = false;
    do {
        ResultadoMysql r(mysql_store_result(m));
        if (!r && mysql_field_count(m) != 0)
            throw FalloDe(m);
        if (!hayPrimero) {
            hayPrimero = true;
            filas = mysql_affected_rows(m);
            avisos = mysql_warning_count(m);
            primero = std::move(r);
        }
    } while (mysql_next_result(m) == 0);
    if (mysql_errno(m) != 0)
        throw FalloDe(m);
    if (EsAjuste(sql)) {
        // The same setting run again is replayed once, in its latest place.
        std::erase(ajustes, sql);
        ajustes.push_back(sql);
    }
    return primero;
}

unsigned long long Conexion::Sesion::FilasEncontradas() const {
    if (!mysql)
        return 0;
    const char* info = mysql_info(mysql.get());
    if (!info)
        return filas;
    static const QRegularExpression encontradas(QStringLiteral("Rows matched: *(\\d+)"));
    const QRegularExpressionMatch m = encontradas.match(QString::fromUtf8(info));
    return m.hasMatch() ? m.captured(1).toULongLong() : filas;
}

Conexion::Conexion() = default;
Conexion::~Conexion() = default;
Conexion::Conexion(const Conexion&) = default;
Conexion& Conexion::operator=(const Conexion&) = default;
Conexion::Conexion(Conexion&&) noexcept = default;
Conexion& Conexion::operator=(Conexion&&) noexcept = default;

Conexion Conexion::Abre(const ParametrosConexion& parametros) {
    auto sesion = std::make_shared<Sesion>();
    sesion->parametros = parametros;
    sesion->mysql = Conecta(parametros);
    Conexion cn;
    cn.sesion_ = std::move(sesion);
    return cn;
}

bool Conexion::abierta() const {
    return sesion_ && sesion_->mysql;
}

void Conexion::Cierra() {
    if (!sesion_)
        return;
    sesion_->mysql.reset();
    sesion_->ajustes.clear();
}

void Conexion::Execute(const QString& sql) {
    if (!sesion_)
        throw Cerrada();
    sesion_->Envia(sql);
}

Recordset Conexion::Consulta(const QString& sql) {
    if (!sesion_)
        throw Cerrada();
    return Recordset::Crea(sesion_, sesion_->Envia(sql).release());
}

QString Conexion::Escapa(const QString& texto) {
    if (!abierta())
        throw Cerrada();
    const QByteArray origen = texto.toUtf8();
    QByteArray destino(origen.size() * 2 + 1, '\0');
    const unsigned long n =
        mysql_real_escape_string(sesion_->mysql.get(), destino.data(), origen.constData(),
                                 static_cast<unsigned long>(origen.size()));
    if (n == static_cast<unsigned long>(-1))
        throw FalloDe(sesion_->mysql.get());
    destino.truncate(static_cast<qsizetype>(n));
    return QString::fromUtf8(destino);
}

unsigned long long Conexion::filasAfectadas() const {
    return sesion_ ? sesion_->filas : 0;
}

unsigned int Conexion::avisos() const {
    return sesion_ ? sesion_->avisos : 0;
}

const ParametrosConexion& Conexion::parametros() const {
    static const ParametrosConexion ninguno;
    return sesion_ ? sesion_->parametros : ninguno;
}

MYSQL* Conexion::nativo() {
    if (!sesion_)
        throw Cerrada();
    return sesion_->Prepara();
}

void Conexion::PonObservador(std::function<void(const QString& sql)> observador) {
    if (!sesion_)
        throw Cerrada();
    sesion_->observador = std::move(observador);
}

void Conexion::Anuncia(const QString& sql) {
    if (sesion_ && sesion_->observador)
        sesion_->observador(sql);
}

} // namespace qm
