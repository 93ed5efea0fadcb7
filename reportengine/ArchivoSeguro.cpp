#include "reportengine/ArchivoSeguro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

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

// Writes the file's data, and its size where that changed, to the disk.
int SincronizaDatos(int descriptor) {
#if defined(Q_OS_LINUX)
    return ::fdatasync(descriptor) == 0 ? 0 : errno;
#else
    return Sincroniza(descriptor);
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

// Syncs the scratch file while its writer goes on, so that the last sync only waits for the tail.
// The error is kept here: the system reports a failed write-back to one sync only.
class ArchivoSeguro::Adelanto {
public:
    explicit Adelanto(int descriptor) : descriptor_(descriptor), hilo_([this] { Trabaja(); }) {}
    ~Adelanto() { Termina(); }
    Adelanto(const Adelanto&) = delete;
    Adelanto& operator=(const Adelanto&) = delete;

    void Pide() {
        {
            const std::lock_guard<std::mutex> l(m_);
            pedido_ = true;
        }
        cambio_.notify_one();
    }
    // Waits for a sync under way and ends the thread; gives the first failure, or 0.
    int Termina() {
        if (hilo_.joinable()) {
            {
                const std::lock_guard<std::mutex> l(m_);
                fin_ = true;
            }
            cambio_.notify_one();
            hilo_.join();
        }
        return error_;
    }

private:
    void Trabaja() {
        std::unique_lock<std::mutex> l(m_);
        for (;;) {
            cambio_.wait(l, [this] { return pedido_ || fin_; });
            if (fin_)
                return;
            pedido_ = false;
            l.unlock();
            const int numero = SincronizaDatos(descriptor_);
            l.lock();
            if (numero != 0 && error_ == 0)
                error_ = numero;
        }
    }

    const int descriptor_;
    std::mutex m_;
    std::condition_variable cambio_;
    bool pedido_ = false;
    bool fin_ = false;
    int error_ = 0;
    std::thread hilo_; // last: started once the rest is ready
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
    // Before the file closes: the thread syncs its handle.
    adelanto_.reset();
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
    // A failure here shows again in Confirma.
    if (!archivo_->Vacia())
        return;
    if (!adelanto_) {
        try {
            adelanto_ = std::make_unique<Adelanto>(archivo_->handle());
        } catch (const std::system_error&) {
            return; // no thread to spare: Confirma syncs it all
        }
    }
    adelanto_->Pide();
}

void ArchivoSeguro::Confirma() {
    if (adelanto_) {
        if (const int numero = adelanto_->Termina())
            throw Error(TextoDelSistema(numero));
    }
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
