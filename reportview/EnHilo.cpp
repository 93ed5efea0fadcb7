#include "reportview/EnHilo.h"

#include <QEventLoop>
#include <exception>
#include <thread>

namespace motor {

void EnHilo(const std::function<void()>& trabajo) {
    QEventLoop espera;
    std::exception_ptr falla;
    {
        const std::jthread hilo([&] {
            try {
                trabajo();
            } catch (...) {
                falla = std::current_exception();
            }
            // Queued: the loop ends once it runs, however early this comes.
            QMetaObject::invokeMethod(&espera, &QEventLoop::quit, Qt::QueuedConnection);
        });
        espera.exec();
    }
    if (falla)
        std::rethrow_exception(falla);
}

} // namespace motor
