#pragma once

#include "reportengine/ErroresMotor.h"

#include <QString>
#include <memory>

class QIODevice;

namespace motor {

// One file written for the user, so that no reader ever sees half of it: the bytes go into a
// scratch file beside the target, which takes the target's place in Confirma() only once it is
// whole and on disk. A failure, or destruction without Confirma(), leaves the older target byte
// for byte and no scratch file. Every failure is an ErrorMotor (ErrorSalida) naming the target.
//
//   ArchivoSeguro archivo(ruta);
//   archivo.Dispositivo().write(bytes);  // or QPdfWriter(&archivo.Dispositivo())
//   archivo.Confirma();
class ArchivoSeguro {
public:
    // Creates the scratch file. A new target gets the usual mode (0666 less the umask); a
    // replaced one keeps its mode.
    explicit ArchivoSeguro(const QString& ruta);
    ~ArchivoSeguro();
    ArchivoSeguro(const ArchivoSeguro&) = delete;
    ArchivoSeguro& operator=(const ArchivoSeguro&) = delete;

    // Where the bytes go, for writers that take a device.
    QIODevice& Dispositivo();
    // The scratch file's name, for a library that only opens files by name (libxlsxwriter).
    QString RutaTemporal() const;
    // Syncs what was written so far on a thread of its own and returns without waiting, so that
    // a long file is mostly on disk by the time Confirma syncs it. Calls made while a sync runs
    // become one; its failure shows in Confirma.
    void Adelanta();
    // Flushes, syncs to disk and renames the scratch file onto the target.
    void Confirma();

    // A failure found by the caller, as this file's error: in words, or as the system's error
    // number (errno) that a library left.
    ErrorMotor Error(const QString& motivo) const;
    ErrorMotor Error(int numeroDelSistema) const;
    const QString& ruta() const { return ruta_; }

private:
    class Escritura;
    class Adelanto;

    QString ruta_;    // as the caller gave it, for the messages
    QString destino_; // the file that is replaced (a symbolic link's target)
    std::unique_ptr<Escritura> archivo_;
    std::unique_ptr<Adelanto> adelanto_; // started by the first Adelanta
    bool confirmado_ = false;
};

} // namespace motor
