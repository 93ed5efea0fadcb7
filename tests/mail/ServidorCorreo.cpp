#include "ServidorCorreo.h"

#include "tests/support/EntornoPrueba.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace prueba {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kCarpeta = QStringLiteral(QUILTARO_SOURCE_DIR "/tests/mail/");

void Autoridad(const QString& dir, const QString& nombre) {
    Ejecuta(QStringLiteral("openssl"),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
             "-days", "2", "-subj", "/CN=Autoridad " + nombre, "-keyout",
             dir + "/" + nombre + ".key", "-out", dir + "/" + nombre + ".pem"});
}

} // namespace

const Certificados& CertificadosDePrueba() {
    static QTemporaryDir dir;
    static const Certificados c = [] {
        const QString d = dir.path();
        Autoridad(d, QStringLiteral("prueba"));
        Autoridad(d, QStringLiteral("ajena"));
        Ejecuta(QStringLiteral("openssl"),
                {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                 "-subj", "/CN=127.0.0.1", "-keyout", d + "/servidor.key", "-out",
                 d + "/servidor.csr"});
        EscribeArchivo(d + "/ext.cnf", "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                       "extendedKeyUsage=serverAuth\n");
        Ejecuta(QStringLiteral("openssl"),
                {"x509", "-req", "-in", d + "/servidor.csr", "-CA", d + "/prueba.pem", "-CAkey",
                 d + "/prueba.key", "-CAcreateserial", "-days", "2", "-extfile", d + "/ext.cnf",
                 "-out", d + "/servidor.pem"});
        return Certificados{d + "/prueba.pem", d + "/ajena.pem", d + "/servidor.pem",
                            d + "/servidor.key"};
    }();
    return c;
}

ServidorCorreo::ServidorCorreo(const QString& modo) {
    const Certificados& c = CertificadosDePrueba();
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("QUILTARO_CLAVE_PRUEBA"), kClaveCorreo);
    proceso_.setProcessEnvironment(entorno);
    proceso_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList argumentos{kCarpeta + "servidor_correo.py", c.certificado, c.clave, buzon(),
                           kUsuarioCorreo};
    if (!modo.isEmpty())
        argumentos << modo;
    proceso_.start(kPython, argumentos);
    // Its ready line; the deadline only keeps a broken server from holding the test.
    const QDeadlineTimer limite(60000);
    QByteArray salida;
    while (!salida.contains('\n') && !limite.hasExpired() &&
           proceso_.state() != QProcess::NotRunning) {
        proceso_.waitForReadyRead(int(limite.remainingTime()));
        salida += proceso_.readAllStandardOutput();
    }
    if (!salida.startsWith("listo "))
        ADD_FAILURE() << "the mail server did not start: " << salida.toStdString();
    puerto_ = salida.mid(6).trimmed().toUInt();
}

ServidorCorreo::~ServidorCorreo() {
    proceso_.kill();
    proceso_.waitForFinished(10000);
}

int ServidorCorreo::Autenticaciones() const {
    QFile f(dir_.path() + QStringLiteral("/autenticaciones"));
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
}

QJsonArray ServidorCorreo::Mensajes() const {
    const QString json = Ejecuta(kPython, {kCarpeta + "lee_buzon.py", buzon()});
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

} // namespace prueba
