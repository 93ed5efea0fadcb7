#pragma once

#include "host/Conexion.h"

#include <QString>
#include <chrono>
#include <functional>

namespace qm {

// A named server lock (GET_LOCK), held by one session while this object lives and given back
// (RELEASE_LOCK) when it goes. Every server from MySQL 5.5 has these locks. Before MySQL 5.7 a
// session holds one at most (taking a second gives up the first), so a program holds one name
// at a time. The lock ends with its session: a connection that was opened again has lost it.
class BloqueoNombrado {
public:
    // Waits up to `espera` (whole seconds) for the lock; tomado() tells whether it was had.
    // The server's answer may take the wait plus the session's answer bound. `entretanto`, when
    // given, runs every few hundredths of a second of the wait (a window repaints).
    // A name too long for the server is shortened (NombreSeguro). A server error, or GET_LOCK
    // answering NULL (the session was killed while it waited), is thrown.
    BloqueoNombrado(Conexion cn, const QString& nombre, std::chrono::seconds espera,
                    const std::function<void()>& entretanto = {});
    ~BloqueoNombrado();
    BloqueoNombrado(const BloqueoNombrado&) = delete;
    BloqueoNombrado& operator=(const BloqueoNombrado&) = delete;

    bool tomado() const { return tomado_; }
    const QString& nombre() const { return nombre_; }

    // Whether this session still holds it: false when it was never had, or when the
    // connection was opened again since (server restarted, session killed).
    bool Vigente();

    // Gives it back now; a failure is passed over (the lock then ends with its session).
    void Libera() noexcept;

    // The most characters a lock name may have (MySQL 5.7 and later refuse longer ones).
    static constexpr int LargoMaximo = 64;
    // The name itself when it fits; else its first characters, "#" and 32 hex digits of its
    // SHA-256, 64 characters in all, so that two long names stay two locks.
    static QString NombreSeguro(const QString& nombre);

private:
    Conexion cn_; // a handle on the caller's session
    QString nombre_;
    bool tomado_ = false;
};

} // namespace qm
