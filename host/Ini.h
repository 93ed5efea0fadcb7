#pragma once

// INI files in the Windows layout, UTF-8. Internal to the host library.

#include <QString>

namespace qm::ini {

// Value of the key in the section, trimmed of the blanks around it; "" when the file, the
// section or the key is absent.
QString Lee(const QString& archivo, const QString& seccion, const QString& clave);
// Stores the value, keeping every other line, the line order and the line endings; the file is
// replaced atomically. Fails with errores::AccesoArchivo naming the file.
void Escribe(const QString& archivo, const QString& seccion, const QString& clave,
             const QString& valor);

} // namespace qm::ini
