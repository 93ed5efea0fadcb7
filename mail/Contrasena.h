#pragma once

#include <QString>

namespace correo {

// The mail password lives apart from the other settings, in a file that only its user can
// read or write (mode 0600 from the moment it is created). It is plain text there, as in
// ~/.netrc: the file's mode is its protection. Never printed, logged or put on a command line.

QString ArchivoContrasena(const QString& carpeta);

// The password kept in the folder; "" when there is none. A file that others could read is
// made private first.
QString LeeContrasena(const QString& carpeta);

// Keeps the password in the folder (created when missing), replacing any older one whole.
// Fails with errores::ArchivoAjustes naming the file.
void GuardaContrasena(const QString& contrasena, const QString& carpeta);

} // namespace correo
