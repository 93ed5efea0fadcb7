#pragma once

#include <QJsonArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <ostream>

namespace prueba {

// Certificates made once per test process by openssl: an authority that signed the server's
// certificate (for 127.0.0.1 and localhost), and another authority that did not.
struct Certificados {
    QString autoridad;
    QString ajena;
    QString certificado;
    QString clave;
};
const Certificados& CertificadosDePrueba();

inline const QString kUsuarioCorreo = QStringLiteral("quiltaro");
inline const QString kClaveCorreo = QStringLiteral("s3cr3to:ñ");

// servidor_correo.py on a loopback port of its own, STARTTLS and AUTH required, writing a
// Maildir in a temporary folder; ready once it said so. Ended when destroyed. Modo "tls": TLS
// from the start instead of STARTTLS; "plano": no TLS.
class ServidorCorreo {
public:
    explicit ServidorCorreo(const QString& modo = {});
    ~ServidorCorreo();
    unsigned puerto() const { return puerto_; }
    QString buzon() const { return dir_.path() + QStringLiteral("/buzon"); }
    // The logins it accepted.
    int Autenticaciones() const;
    // Its messages as lee_buzon.py reads them.
    QJsonArray Mensajes() const;

private:
    QTemporaryDir dir_;
    QProcess proceso_;
    unsigned puerto_ = 0;
};

} // namespace prueba

// Texts in the failures as text.
inline void PrintTo(const QString& texto, std::ostream* os) {
    *os << '"' << texto.toStdString() << '"';
}
