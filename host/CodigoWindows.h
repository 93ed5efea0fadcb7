#pragma once

// The Windows code page of Western Europe and the Americas (cp1252), in which INI files written
// on Windows hold their accents. Internal to the host library.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace qm::cp1252 {

// Every byte has a character: the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, as Windows reads them, so
// that decoding and encoding again give the same bytes.
QString Decodifica(QByteArrayView bytes);
// The bytes of the text; nullopt when a character has no byte in the code page.
std::optional<QByteArray> Codifica(QStringView texto);

} // namespace qm::cp1252
