#pragma once

#include <QString>
#include <cstddef>

class QIODevice;

namespace motor {

// Joins two PDF files written by QPdfWriter: the pages of segundo but its first are added after
// those of primero but its first, as an update appended to primero (read from rutaPrimero,
// whole on disk, and written through destino, open at its end). Each file's first page is a
// sample of glyphs drawn alike in both, so that their fonts hold the same glyphs in the same
// order: the second part's pages then name the first part's fonts, and each font is embedded
// once. A font of the same name that differs all the same keeps its own copy. Reads the second
// part a piece at a time: memory does not grow with its pages. Throws std::exception when a part
// is not the whole file that QPdfWriter writes, or paginas (each part's, its first included)
// does not match.
void UnePdf(const QString& rutaPrimero, std::size_t paginasPrimero, QIODevice& destino,
            const QString& segundo, std::size_t paginasSegundo);

} // namespace motor
