#include "reportengine/ArchivoSeguro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace motor {

namespace {

const QString Lleno = QStringLiteral("no queda espacio en el disco.");

QString TextoDelSistema(int numero) {
    if (numero == ENOSPC
#ifdef EDQUOT
        || numero == EDQUOT
#endif
    )
        return Lleno;
    return QString::fromStdString(std::generic_category().message(numero)) + QLatin1Char('.');
}

// Writes the file's data and its size to the disk.
int Sincroniza(int descriptor) {
#ifdef Q_OS_WIN
    return ::_commit(descriptor) == 0 ? 0 : errno;
#else
    return ::fsync(descriptor) == 0 ? 0 : errno;
#endif
}

// The new name in the folder is on disk too; a failure here loses nothing, so it is not one.
void SincronizaCarpeta([[maybe_unused]] const QString& carpeta) {
#ifndef Q_OS_WIN
    const int d =
        ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        ::fsync(d);
        ::close(d);
    }
#endif
}

} // namespace

// The scratch file. A write that fails is remembered, because QFile forgets an error at its
// next write and QPdfWriter never looks.
class ArchivoSeguro::Escritura final : public QFile {
public:
    using QFile::QFile;

    bool fallo() const { return !motivo_.isEmpty(); }
    const QString& motivo() const { return motivo_; }

    void close() override {
        if (isOpen() && !flush())
            Anota(-1);
        QFile::close();
    }
    bool Vacia() {
        if (isOpen() && !flush())
            Anota(-1);
        return !fallo();
    }

protected:
    qint64 writeData(const char* datos, qint64 largo) override {
        const qint64 escritos = QFile::writeData(datos, largo);
        if (escritos != largo)
            Anota(escritos);
        return escritos;
    }

private:
    void Anota(qint64 escritos) {
        if (fallo())
            return;
        // Only a full disk (or quota) writes part of a block to a plain file.
        if (error() == QFileDevice::ResourceError || escritos >= 0)
            motivo_ = Lleno;
        else
            motivo_ = errorString() + QLatin1Char('.');
    }

    QString motivo_;
};

ArchivoSeguro::ArchivoSeguro(const QString& ruta) : ruta_(ruta) {
    if (ruta.isEmpty())
        throw Error(QStringLiteral("no se dio el nombre del archivo."));
    const QFileInfo info(ruta);
    destino_ = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    const QFileInfo destino(destino_);
    const QString carpeta = destino.absolutePath();
    if (destino.isDir())
        throw Error(QStringLiteral("ya hay una carpeta con ese nombre."));
    if (!QFileInfo(carpeta).isDir())
        throw Error(
            QStringLiteral("la carpeta «%1» no existe.").arg(QDir::toNativeSeparators(carpeta)));

    // A hidden name of its own in the same folder, so the rename stays within one disk.
    for (int intento = 0; intento < 16; ++intento) {
        // Up to six letters and digits: 36^6 names.
        const QString marca =
            QString::number(QRandomGenerator::global()->generate64() % 2176782336u, 36);
        const QString nombre =
            QStringLiteral("%1/.%2.%3~").arg(carpeta, destino.fileName().left(80), marca);
        auto archivo = std::make_unique<Escritura>(nombre);
        // Created as any new file is: mode 0666 less the umask.
        if (archivo->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            archivo_ = std::move(archivo);
            return;
        }
        if (QFileInfo::exists(nombre))
            continue;
        if (QStorageInfo(carpeta).isReadOnly())
            throw Error(QStringLiteral("la carpeta «%1» está en un disco de solo lectura.")
                            .arg(QDir::toNativeSeparators(carpeta)));
        if (!QFileInfo(carpeta).isWritable())
            throw Error(QStringLiteral("no hay permiso para escribir en la carpeta «%1».")
                            .arg(QDir::toNativeSeparators(carpeta)));
        throw Error(archivo->errorString() + QLatin1Char('.'));
    }
    throw Error(QStringLiteral("no se pudo crear un archivo temporal en «%1».").arg(carpeta));
}

ArchivoSeguro::~ArchivoSeguro() {
    if (archivo_ && !confirmado_) {
        archivo_->QFile::close();
        archivo_->remove();
    }
}

QIODevice& ArchivoSeguro::Dispositivo() {
    return *archivo_;
}

QString ArchivoSeguro::RutaTemporal() const {
    return archivo_->fileName();
}

void ArchivoSeguro::Adelanta() {
#ifdef Q_OS_LINUX
    // A failure here shows again in Confirma.
    if (!archivo_->Vacia())
        return;
    const qint64 hasta = archivo_->size();
    if (hasta > adelantado_ && ::sync_file_range(archivo_->handle(), adelantado_,
                                                 hasta - adelantado_, SYNC_FILE_RANGE_WRITE) == 0)
        adelantado_ = hasta;
#endif
}

void ArchivoSeguro::Confirma() {
    if (!archivo_->Vacia())
        throw Error(archivo_->motivo());
    archivo_->close();
    if (archivo_->fallo())
        throw Error(archivo_->motivo());
    {
        // Opened again by name: a library may have written the file through its own handle.
        QFile escrito(archivo_->fileName());
        if (!escrito.open(QIODevice::WriteOnly | QIODevice::Append))
            throw Error(escrito.errorString() + QLatin1Char('.'));
        if (const int numero = Sincroniza(escrito.handle()))
            throw Error(TextoDelSistema(numero));
    }
    if (QFileInfo::exists(destino_))
        QFile::setPermissions(archivo_->fileName(), QFileInfo(destino_).permissions());
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(archivo_->fileName()).constData(),
                            QFile::encodeName(destino_).constData(), error);
    if (error)
        throw Error(
            QStringLiteral("no se pudo poner en su lugar: %1").arg(TextoDelSistema(error.value())));
    confirmado_ = true;
    SincronizaCarpeta(QFileInfo(destino_).absolutePath());
}

ErrorMotor ArchivoSeguro::Error(const QString& motivo) const {
    return ErrorMotor(errores::ErrorSalida, QStringLiteral("No se puede escribir «%1»: %2")
                                                .arg(QDir::toNativeSeparators(ruta_), motivo));
}

ErrorMotor ArchivoSeguro::Error(int numeroDelSistema) const {
    return Error(TextoDelSistema(numeroDelSistema));
}

} // namespace motor
