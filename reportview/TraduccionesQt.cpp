#include "reportview/TraduccionesQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace motor {

bool CargaTraduccionesQt(QCoreApplication& aplicacion) {
    auto traductor = std::make_unique<QTranslator>();
    if (!traductor->load(QStringLiteral("qtbase_es"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(traductor.get()))
        return false;
    // The application keeps it as long as texts are shown.
    traductor.release()->setParent(&aplicacion);
    return true;
}

} // namespace motor
