#include "host/Conexion.h"

#include "host/Error.h"
#include "host/ErrorMysql.h"
#include "host/Recordset.h"
#include "host/Sesion.h"

#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <errmsg.h>
#include <poll.h>
#include <sys/socket.h>
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
    // The connect timeout bounds the server's greeting too; the read and write timeouts bound
    // every later wait, and cannot be changed once the session is open.
    unsigned int espera = p.segundosEspera;
    mysql_optionsv(m.get(), MYSQL_OPT_CONNECT_TIMEOUT, &espera);
    unsigned int lectura =
        static_cast<unsigned int>(std::max<long long>(1, p.limiteLectura.count()));
    mysql_optionsv(m.get(), MYSQL_OPT_READ_TIMEOUT, &lectura);
    mysql_optionsv(m.get(), MYSQL_OPT_WRITE_TIMEOUT, &lectura);
    mysql_optionsv(m.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    my_bool reconecta = 0;
    mysql_optionsv(m.get(), MYSQL_OPT_RECONNECT, &reconecta);
    unsigned int protocolo = MYSQL_PROTOCOL_TCP;
    mysql_optionsv(m.get(), MYSQL_OPT_PROTOCOL, &protocolo);

    const QByteArray servidor = ServidorDe(p.servidor).toUtf8();
    const QByteArray usuario = p.usuario.toUtf8();
    const QByteArray password = p.password.toUtf8();
    const QByteArray base = p.base.toUtf8();
    if (!mysql_real_connect(m.get(), servidor.constData(), usuario.constData(),
                            password.constData(), base.isEmpty() ? nullptr : base.constData(),
                            p.puerto, nullptr, CLIENT_MULTI_RESULTS))
        throw FalloDe(m.get(), p);
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

// Waits up to `plazo` for the answer to a statement just sent to begin. Connector/C's own
// read timeout is fixed for the session's life, so the shorter bound is kept here. When the
// answer has not begun, the session is cut: an answer arriving late would be taken for the
// next statement's, and a cut session is seen as dropped (Caida) and opened again.
void EsperaRespuesta(MYSQL* m, const ParametrosConexion& p, std::chrono::seconds plazo,
                     const std::function<void()>& entretanto) {
    using Reloj = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds Tramo{40};
    const int fd = static_cast<int>(mysql_get_socket(m));
    const Reloj::time_point fin = Reloj::now() + plazo;
    for (;;) {
        const auto falta = std::chrono::ceil<std::chrono::milliseconds>(fin - Reloj::now());
        if (falta.count() <= 0)
            break;
        pollfd espera{fd, POLLIN, 0};
        const auto tramo = entretanto ? std::min(falta, Tramo) : falta;
        const int listo = poll(&espera, 1, static_cast<int>(tramo.count()));
        // Ready, or a socket the read will report on.
        if (listo > 0 || (listo < 0 && errno != EINTR))
            return;
        if (entretanto)
            entretanto();
    }
    shutdown(fd, SHUT_RDWR);
    throw Error(CR_SERVER_LOST,
                QStringLiteral("El servidor de la base de datos (%1) no respondió en %2 segundos.")
                    .arg(ServidorYPuerto(p))
                    .arg(plazo.count()));
}

// Sends a statement and reads the start of its answer within `plazo`. False when it could
// not be sent (the session was gone: 2006), so that it never ran.
bool Manda(MYSQL* m, const ParametrosConexion& p, const QByteArray& sql, std::chrono::seconds plazo,
           const std::function<void()>& entretanto) {
    if (mysql_send_query(m, sql.constData(), static_cast<unsigned long>(sql.size())) != 0) {
        if (mysql_errno(m) == CR_SERVER_GONE_ERROR)
            return false;
        throw FalloDe(m, p);
    }
    EsperaRespuesta(m, p, plazo, entretanto);
    if (mysql_read_query_result(m) != 0)
        throw FalloDe(m, p);
    return true;
}

void Ejecuta(MYSQL* m, const ParametrosConexion& p, const QByteArray& sql,
             std::chrono::seconds plazo) {
    if (!Manda(m, p, sql, plazo, {}))
        throw FalloDe(m, p);
    do {
        ResultadoMysql r(mysql_store_result(m));
        if (!r && mysql_field_count(m) != 0)
            throw FalloDe(m, p);
    } while (mysql_next_result(m) == 0);
    if (mysql_errno(m) != 0)
        throw FalloDe(m, p);
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
        Ejecuta(nueva.get(), parametros, ajuste.toUtf8(), plazo);
    mysql = std::move(nueva);
}

ResultadoMysql Conexion::Sesion::Envia(const QString& sql) {
    return Envia(sql, plazo, {});
}

ResultadoMysql Conexion::Sesion::Envia(const QString& sql, std::chrono::seconds plazoAhora,
                                       const std::function<void()>& entretanto) {
    if (observador)
        observador(sql);
    MYSQL* m = Prepara();
    const QByteArray texto = sql.toUtf8();
    // 2006: the statement could not be sent, so it never ran and may go again on a new
    // session. 2013 (lost while answering, or no answer in time) may have run: it fails.
    if (!Manda(m, parametros, texto, plazoAhora, entretanto)) {
        Reabre();
        m = mysql.get();
        if (!Manda(m, parametros, texto, plazoAhora, entretanto))
            throw FalloDe(m, parametros);
    }
    ResultadoMysql primero;
    bool hayPrimero = false;
    do {
        ResultadoMysql r(mysql_store_result(m));
        if (!r && mysql_field_count(m) != 0)
            throw FalloDe(m, parametros);
        if (!hayPrimero) {
            hayPrimero = true;
            filas = mysql_affected_rows(m);
            avisos = mysql_warning_count(m);
            primero = std::move(r);
        }
    } while (mysql_next_result(m) == 0);
    if (mysql_errno(m) != 0)
        throw FalloDe(m, parametros);
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
    sesion->plazo = parametros.plazoRespuesta;
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

Recordset Conexion::Consulta(const QString& sql, std::chrono::seconds plazo,
                             const std::function<void()>& entretanto) {
    if (!sesion_)
        throw Cerrada();
    return Recordset::Crea(sesion_, sesion_->Envia(sql, plazo, entretanto).release());
}

std::chrono::seconds Conexion::plazoRespuesta() const {
    return sesion_ ? sesion_->plazo : RespuestaBreve;
}

void Conexion::PonPlazoRespuesta(std::chrono::seconds plazo) {
    if (!sesion_)
        throw Cerrada();
    sesion_->plazo = plazo;
}

PlazoDeRespuesta::PlazoDeRespuesta(Conexion cn, std::chrono::seconds plazo)
    : cn_(std::move(cn)), antes_(cn_.plazoRespuesta()) {
    cn_.PonPlazoRespuesta(plazo);
}

PlazoDeRespuesta::~PlazoDeRespuesta() {
    try {
        cn_.PonPlazoRespuesta(antes_);
    } catch (...) {
    }
}

QString ServidorDe(const QString& servidor) {
    return servidor.trimmed().isEmpty() ? QStringLiteral("127.0.0.1") : servidor.trimmed();
}

QString ServidorYPuerto(const ParametrosConexion& p) {
    return QStringLiteral("%1, puerto %2").arg(ServidorDe(p.servidor)).arg(p.puerto);
}

QString ServidorDosPuntos(const QString& servidor, unsigned puerto) {
    return ServidorDe(servidor) + QLatin1Char(':') + QString::number(puerto);
}

QString Conexion::Escapa(const QString& texto) {
    if (!abierta())
        throw Cerrada();
    return sesion_->Escapa(texto);
}

QString Conexion::Sesion::Escapa(const QString& texto) {
    if (!mysql)
        throw Cerrada();
    const QByteArray origen = texto.toUtf8();
    QByteArray destino(origen.size() * 2 + 1, '\0');
    const unsigned long n = mysql_real_escape_string(
        mysql.get(), destino.data(), origen.constData(), static_cast<unsigned long>(origen.size()));
    if (n == static_cast<unsigned long>(-1))
        throw FalloDe(mysql.get(), parametros);
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
