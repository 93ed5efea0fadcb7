#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The header lines of a message, written by hand where libcurl leaves them to us.
namespace correo::encabezados {

// The text with every control character (line ends, tabs) made a blank: nothing a user or a
// customer's name brings can start a header of its own.
QString SinControles(const QString& texto);

// A header's text: as it is when plain ASCII, else RFC 2047 encoded words (UTF-8, base64) of
// at most 75 characters, folded onto lines of their own, never splitting a character.
QByteArray Texto(const QString& texto);

// "Nombre <dirección>": the name quoted or encoded as needed; the address alone when no name.
QByteArray Direccion(const QString& nombre, const QString& direccion);

// Content-Disposition of an attachment: its name quoted, after filename*=UTF-8''… (RFC 2231)
// when it is not plain ASCII; the quoted one then has "_" for what ASCII lacks.
QByteArray Disposicion(const QString& nombreArchivo);

// Date in RFC 5322 form: "Mon, 07 Dec 2026 22:40:00 -0600".
QByteArray Fecha(const QDateTime& cuando);

// A Message-ID of our own, unique, on the sender's domain: "<…@dominio>".
QByteArray IdMensaje(const QString& remitente);

} // namespace correo::encabezados
