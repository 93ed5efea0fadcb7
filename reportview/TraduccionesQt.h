#pragma once

class QCoreApplication;

namespace motor {

// Loads Qt's own Spanish texts (Debian's qt6-translations-l10n), so that the standard dialogs
// and buttons read "Guardar", "Cancelar", "Imprimir" whatever the machine's locale. False when
// the translation is not installed; the program then goes on in English.
bool CargaTraduccionesQt(QCoreApplication& aplicacion);

} // namespace motor
