#include "mail/SesionSmtp.h"

#include "mail/Encabezados.h"
#include "mail/ErroresCorreo.h"

#include <QDateTime>
#include <QFile>
#include <QSysInfo>
#include <algorithm>
#include <cctype>
#include <curl/curl.h>
#include <mutex>

namespace correo {

namespace {

struct LiberaCurl {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};
using Lista = std::unique_ptr<curl_slist, LiberaCurl>;
using Mime = std::unique_ptr<curl_mime, LiberaCurl>;

void Agrega(Lista& lista, const QByteArray& linea) {
    curl_slist* nueva = curl_slist_append(lista.get(), linea.constData());
    if (!nueva)
        throw std::bad_alloc();
    (void)lista.release();
    lista.reset(nueva);
}

QByteArray Url(const AjustesCorreo& a) {
    QByteArray servidor = a.servidor.trimmed().toUtf8();
    if (servidor.contains(':') && !servidor.startsWith('['))
        servidor = '[' + servidor + ']';
    const QByteArray esquema = a.seguridad == Seguridad::Tls ? "smtps://" : "smtp://";
    // The path is the name given in EHLO.
    const QByteArray equipo = QSysInfo::machineHostName().toLatin1();
    const bool valido = !equipo.isEmpty() && std::all_of(equipo.begin(), equipo.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
    });
    return esquema + servidor + ':' + QByteArray::number(a.puerto) + '/' +
           (valido ? equipo : QByteArray("quiltaro"));
}

// Text lines the server sent (libcurl hands them over as they come).
int AlDepurar(CURL*, curl_infotype tipo, char* datos, size_t n, void* destino) {
    if (tipo == CURLINFO_HEADER_IN)
        static_cast<QByteArray*>(destino)->append(datos, qsizetype(n));
    return 0;
}

int Codigo(const QString& respuesta) {
    bool ok = false;
    const int c = respuesta.left(3).toInt(&ok);
    return ok && respuesta.size() >= 3 ? c : 0;
}

// The answer that tells how the message ended: the last refusal (4xx, 5xx) when there is one,
// since the server's goodbye to QUIT may follow it; else the last line.
QString UltimaRespuesta(const QByteArray& recibido) {
    const QList<QByteArray> lineas = recibido.trimmed().split('\n');
    for (auto l = lineas.crbegin(); l != lineas.crend(); ++l)
        if (const QString t = QString::fromUtf8(l->trimmed()); Codigo(t) >= 400)
            return t;
    return lineas.isEmpty() ? QString() : QString::fromUtf8(lineas.back().trimmed());
}

} // namespace

struct SesionSmtp::Estado {
    AjustesCorreo ajustes;
    std::unique_ptr<CURL, LiberaCurl> curl;
    QByteArray recibido;
    char error[CURL_ERROR_SIZE] = {};
};

SesionSmtp::SesionSmtp(const AjustesCorreo& a, const QString& contrasena)
    : e_(std::make_unique<Estado>()) {
    if (const QString falta = RevisaAjustes(a); !falta.isEmpty())
        throw motor::ErrorMotor(errores::AjustesNoValidos, falta);
    static std::once_flag inicio;
    std::call_once(inicio, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    e_->ajustes = a;
    e_->curl.reset(curl_easy_init());
    if (!e_->curl)
        throw std::bad_alloc();
    CURL* c = e_->curl.get();
    curl_easy_setopt(c, CURLOPT_URL, Url(a).constData());
    curl_easy_setopt(c, CURLOPT_USE_SSL,
                     long(a.seguridad == Seguridad::SinCifrar ? CURLUSESSL_NONE : CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!a.archivoCertificado.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, QFile::encodeName(a.archivoCertificado).constData());
    if (!a.usuario.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, a.usuario.toUtf8().constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, contrasena.toUtf8().constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM,
                     ('<' + a.direccionRemitente.toLatin1() + '>').constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(a.segundosConexion));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(a.segundosRespuesta));
    // A server that takes the data but stops reading it is silent too.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(a.segundosRespuesta));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, e_->error);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, AlDepurar);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &e_->recibido);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
}

SesionSmtp::~SesionSmtp() = default;

namespace {

Lista Encabezados(const Mensaje& m) {
    namespace e = encabezados;
    Lista l;
    Agrega(l, "Date: " + e::Fecha(QDateTime::currentDateTime()));
    Agrega(l, "From: " + e::Direccion(m.nombreRemitente, m.remitente));
    Agrega(l, "To: " + m.para.join(QStringLiteral(", ")).toLatin1());
    if (!m.responderA.isEmpty())
        Agrega(l, "Reply-To: " + m.responderA.toLatin1());
    Agrega(l, "Subject: " + e::Texto(m.asunto));
    Agrega(l, "Message-ID: " + e::IdMensaje(m.remitente));
    return l;
}

QByteArray ConCrlf(const QString& texto) {
    QByteArray b = texto.toUtf8();
    b.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    if (!b.endsWith("\r\n"))
        b += "\r\n";
    return b;
}

Mime Cuerpo(CURL* c, const Mensaje& m, const QByteArray& adjunto, const QByteArray& texto) {
    Mime mime(curl_mime_init(c));
    curl_mimepart* parte = curl_mime_addpart(mime.get());
    curl_mime_data(parte, texto.constData(), size_t(texto.size()));
    curl_mime_type(parte, "text/plain; charset=UTF-8");
    curl_mime_encoder(parte, "quoted-printable");

    curl_mimepart* pdf = curl_mime_addpart(mime.get());
    curl_mime_data(pdf, adjunto.constData(), size_t(adjunto.size()));
    curl_mime_type(pdf, "application/pdf");
    curl_mime_encoder(pdf, "base64");
    Lista disposicion;
    Agrega(disposicion, "Content-Disposition: " + encabezados::Disposicion(m.nombreAdjunto));
    curl_mime_headers(pdf, disposicion.release(), 1);
    return mime;
}

Respuesta Clasifica(CURLcode rc, const QString& ultima, const char* error, const AjustesCorreo& a) {
    const QString servidor = QStringLiteral("%1:%2").arg(a.servidor).arg(a.puerto);
    const QString detalle = ultima.isEmpty() ? QString::fromUtf8(error) : ultima;
    switch (rc) {
    case CURLE_OK:
        return {Desenlace::Aceptado, ultima};
    case CURLE_LOGIN_DENIED:
        return {Desenlace::Fatal,
                QStringLiteral("El servidor %1 no aceptó el usuario o la contraseña (%2).")
                    .arg(servidor, detalle)};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
        return {Desenlace::Fatal,
                QStringLiteral("No se pudo verificar el certificado del servidor %1, así que no "
                               "se envió nada: %2. Revise el servidor o el archivo de "
                               "certificado de su autoridad.")
                    .arg(servidor, QString::fromUtf8(error))};
    case CURLE_SSL_CONNECT_ERROR:
        return {Desenlace::Fatal,
                QStringLiteral("No se pudo establecer la conexión cifrada con %1, así que no se "
                               "envió nada: %2.")
                    .arg(servidor, QString::fromUtf8(error))};
    case CURLE_USE_SSL_FAILED:
        return {Desenlace::Fatal,
                QStringLiteral("El servidor %1 no ofrece STARTTLS; no se envió nada sin cifrar.")
                    .arg(servidor)};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {Desenlace::Fatal, QStringLiteral("No se encontró el servidor %1.").arg(a.servidor)};
    default:
        break;
    }
    const int codigo = Codigo(ultima);
    // 530 and 534: the server wants a login (or a stronger one) before any mail.
    if (codigo == 530 || codigo == 534 || codigo == 538)
        return {Desenlace::Fatal,
                QStringLiteral("El servidor %1 pide iniciar sesión: %2").arg(servidor, ultima)};
    if (codigo >= 400 && codigo < 500)
        return {Desenlace::Temporal, ultima};
    if (codigo >= 500 && codigo < 600)
        return {Desenlace::Permanente, ultima};
    return {Desenlace::Conexion, QStringLiteral("Sin respuesta del servidor %1: %2")
                                     .arg(servidor, QString::fromUtf8(error))};
}

} // namespace

Respuesta SesionSmtp::Envia(const Mensaje& m, const QByteArray& adjunto) {
    CURL* c = e_->curl.get();
    Lista destinatarios;
    for (const QString& d : m.para + m.sobre)
        Agrega(destinatarios, '<' + d.toLatin1() + '>');
    const Lista encabezados = Encabezados(m);
    const QByteArray texto = ConCrlf(m.cuerpo);
    const Mime mime = Cuerpo(c, m, adjunto, texto);
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, destinatarios.get());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, encabezados.get());
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
    e_->recibido.clear();
    e_->error[0] = '\0';
    const CURLcode rc = curl_easy_perform(c);
    // Nothing of this message may stay in the handle once its lists are freed.
    curl_easy_setopt(c, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
    return Clasifica(rc, UltimaRespuesta(e_->recibido), e_->error, e_->ajustes);
}

Respuesta SesionSmtp::Conecta() {
    CURL* c = e_->curl.get();
    // libcurl goes through the greeting, EHLO, STARTTLS and AUTH, and stops before MAIL FROM.
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 1L);
    e_->recibido.clear();
    e_->error[0] = '\0';
    const CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 0L);
    return Clasifica(rc, UltimaRespuesta(e_->recibido), e_->error, e_->ajustes);
}

} // namespace correo
