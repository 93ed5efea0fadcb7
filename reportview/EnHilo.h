#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>

namespace motor {

// Runs trabajo on a thread of its own while this thread's events go on (a progress dialog
// paints and takes its Cancelar); once it ended, its failure is thrown here.
void EnHilo(const std::function<void()>& trabajo);

// From that thread: runs f on the thread of contexto (the window's) and waits for its answer,
// so that what it shows or asks there is in step with the work.
template <class F> auto EnVentana(QObject* contexto, F f) {
    decltype(f()) respuesta{};
    QMetaObject::invokeMethod(
        contexto, [&] { respuesta = f(); }, Qt::BlockingQueuedConnection);
    return respuesta;
}

} // namespace motor
