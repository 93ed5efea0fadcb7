#pragma once

#include <QString>
#include <cstddef>

namespace motor {

// Joins two PDF files written by QPdfWriter into destino: the pages of primero but its first,
// then those of segundo but its first. Each file's first page is a sample of glyphs drawn alike
// in both, so that their fonts hold the same glyphs in the same order; the joined file then
// embeds each font once. Returns false, writing nothing, when a font of the same name differs
// between the two. Throws std::exception when a file cannot be read, or is not whole (paginas
// says how many pages each must have, its first included), or destino cannot be written.
bool UnePdf(const QString& primero, std::size_t paginasPrimero, const QString& segundo,
            std::size_t paginasSegundo, const QString& destino);

} // namespace motor
