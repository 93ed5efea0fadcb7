#pragma once

#include "host/Conexion.h"

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Watches, off the window's thread, for a server that stopped answering to answer again: a
// session is opened and closed every second until one opens, then `alVolver` runs on the
// window's thread. The window meanwhile asks the server nothing, so typing never waits on it.
class SondaServidor final : public QObject {
    Q_OBJECT
public:
    explicit SondaServidor(QObject* padre);
    // Waits for the attempt under way (at most the connect timeout).
    ~SondaServidor() override;
    SondaServidor(const SondaServidor&) = delete;
    SondaServidor& operator=(const SondaServidor&) = delete;

    // Starts watching the server of `parametros`; nothing when already watching.
    void Empieza(const qm::ParametrosConexion& parametros, std::function<void()> alVolver);
    // True from Empieza until the server has answered (and alVolver has been called) or
    // Detiene.
    bool activa() const { return activa_; }
    void Detiene();

private:
    void Sondea(qm::ParametrosConexion parametros);
    void Vuelve();

    bool activa_ = false;
    std::function<void()> alVolver_;
    std::thread hilo_;
    std::mutex mutex_;
    std::condition_variable despierta_;
    bool detener_ = false;
};
