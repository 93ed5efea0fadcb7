#pragma once

// INI files in the Windows layout. A file is read as UTF-8 when its bytes are valid UTF-8, else
// in the Windows code page (cp1252), and written back in the same encoding; a new file is
// UTF-8. Internal to the host library.

#include <QString>

namespace qm::ini {

// Value of the key in the section, trimmed of the blanks around it and, like Windows, without
// a pair of quotes around it; "" when the file, the section or the key is absent.
QString Lee(const QString& archivo, const QString& seccion, const QString& clave);
// Stores the value, keeping every other byte of the file. The file is replaced atomically; in a
// folder that takes no new file, a writable file is written over in place, the new content
// first and then cut to its length. Fails with errores::AccesoArchivo naming the file, and with
// errores::ArgumentoInvalido for a text that its encoding cannot hold.
void Escribe(const QString& archivo, const QString& seccion, const QString& clave,
             const QString& valor);

} // namespace qm::ini
