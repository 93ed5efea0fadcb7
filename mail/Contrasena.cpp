#include "mail/Contrasena.h"

#include "mail/ErroresCorreo.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace correo {

namespace {

[[noreturn]] void Falla(const QString& archivo, int numero) {
    throw motor::ErrorMotor(errores::ArchivoAjustes,
                            QStringLiteral("No se pudo guardar la contraseña en %1: %2")
                                .arg(archivo, QString::fromLocal8Bit(std::strerror(numero))));
}

// A descriptor closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return fd_; }
    int Cierra() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

} // namespace

QString ArchivoContrasena(const QString& carpeta) {
    return carpeta + QStringLiteral("/Correo.clave");
}

QString LeeContrasena(const QString& carpeta) {
    const QString archivo = ArchivoContrasena(carpeta);
    const QByteArray ruta = QFile::encodeName(archivo);
    struct stat st {};
    if (::stat(ruta.constData(), &st) != 0)
        return {};
    if ((st.st_mode & 077) != 0)
        ::chmod(ruta.constData(), S_IRUSR | S_IWUSR);
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        throw motor::ErrorMotor(errores::ArchivoAjustes,
                                QStringLiteral("No se pudo leer %1").arg(archivo));
    QByteArray bytes = f.readAll();
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

void GuardaContrasena(const QString& contrasena, const QString& carpeta) {
    const QString archivo = ArchivoContrasena(carpeta);
    if (!QDir().mkpath(carpeta))
        Falla(archivo, ENOENT);
    // Written beside it and renamed, so that the old one stays whole until the new one is.
    // The mode is given at creation: the file is never readable by others, not even briefly.
    const QByteArray destino = QFile::encodeName(archivo);
    const QByteArray temporal = destino + ".nuevo";
    ::unlink(temporal.constData());
    Descriptor fd(
        ::open(temporal.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (fd.fd() < 0)
        Falla(archivo, errno);
    const QByteArray bytes = contrasena.toUtf8();
    qsizetype escrito = 0;
    while (escrito < bytes.size()) {
        const ssize_t n =
            ::write(fd.fd(), bytes.constData() + escrito, std::size_t(bytes.size() - escrito));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int e = errno;
            ::unlink(temporal.constData());
            Falla(archivo, e);
        }
        escrito += n;
    }
    if (::fsync(fd.fd()) != 0 || fd.Cierra() != 0 ||
        ::rename(temporal.constData(), destino.constData()) != 0) {
        const int e = errno;
        ::unlink(temporal.constData());
        Falla(archivo, e);
    }
}

} // namespace correo
