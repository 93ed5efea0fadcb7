// Writes one INI key as a user without rights over the folder: run as root, it first becomes
// the unprivileged user "nobody", so that folder permissions stop it as they stop any user.
//   escribe_ini_sin_permiso FILE SECTION KEY VALUE
// Prints whether a new file could be made beside FILE ("carpeta cerrada" / "carpeta abierta").
// Exit status 0 when the key was written, 1 with the error on standard error, 2 when the rights
// could not be given up.
#include "host/Error.h"
#include "host/libQMCM.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

namespace {

constexpr uid_t kNadie = 65534;

bool DejaDeSerRoot() {
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNadie) == 0 && ::setuid(kNadie) == 0 &&
           ::geteuid() != 0 && ::getegid() != 0;
}

bool CarpetaCerrada(const QString& archivo) {
    const QByteArray prueba =
        QFile::encodeName(QFileInfo(archivo).absolutePath() + QStringLiteral("/.prueba"));
    const int fd = ::open(prueba.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return errno == EACCES || errno == EPERM;
    ::close(fd);
    ::unlink(prueba.constData());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: escribe_ini_sin_permiso FILE SECTION KEY VALUE\n", stderr);
        return 2;
    }
    if (!DejaDeSerRoot()) {
        std::perror("dropping root");
        return 2;
    }
    const QString archivo = QString::fromUtf8(argv[1]);
    std::puts(CarpetaCerrada(archivo) ? "carpeta cerrada" : "carpeta abierta");
    try {
        qm::libQMCM().EscribeIni(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]),
                                 QString::fromUtf8(argv[4]), archivo);
    } catch (const qm::Error& e) {
        std::fputs(e.texto().toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
