#include "app/SondaServidor.h"

#include "host/Error.h"

#include <QMetaObject>
#include <chrono>

namespace {

constexpr std::chrono::seconds Pausa{1};

} // namespace

SondaServidor::SondaServidor(QObject* padre) : QObject(padre) {}

SondaServidor::~SondaServidor() {
    Detiene();
}

void SondaServidor::Empieza(const qm::ParametrosConexion& parametros,
                            std::function<void()> alVolver) {
    if (activa_)
        return;
    Detiene();
    activa_ = true;
    alVolver_ = std::move(alVolver);
    detener_ = false;
    hilo_ = std::thread([this, parametros] { Sondea(parametros); });
}

void SondaServidor::Detiene() {
    {
        std::lock_guard<std::mutex> cerrojo(mutex_);
        detener_ = true;
    }
    despierta_.notify_all();
    if (hilo_.joinable())
        hilo_.join();
    activa_ = false;
}

void SondaServidor::Sondea(qm::ParametrosConexion parametros) {
    for (;;) {
        try {
            qm::Conexion::Abre(parametros).Cierra();
            QMetaObject::invokeMethod(this, &SondaServidor::Vuelve, Qt::QueuedConnection);
            return;
        } catch (const qm::Error&) {
        }
        std::unique_lock<std::mutex> cerrojo(mutex_);
        if (despierta_.wait_for(cerrojo, Pausa, [this] { return detener_; }))
            return;
    }
}

void SondaServidor::Vuelve() {
    if (!activa_)
        return;
    if (hilo_.joinable())
        hilo_.join();
    activa_ = false;
    if (alVolver_)
        alVolver_();
}
