#pragma once

#include <QString>
#include <QStringList>

// What a run without a window ends with.
namespace salida {
inline constexpr int Hecho = 0;    // every statement written, and every one to send sent
inline constexpr int Fallidos = 1; // some customers' mail did not go
inline constexpr int NoCorrio = 2; // nothing could run: options, settings, connection, server
} // namespace salida

// The statements without a window (OpcionesEstados.h): starts up as the program does, builds
// the movements as a Print does (under the same lock), runs the report's core, writes each
// customer's statement and the index into the folder and, when asked, sends them and logs it.
// One line per customer on the standard output and a summary; every message on the standard
// error. Gives the exit status. Needs a Qt application without a display (offscreen).
int EjecutaEstados(const QStringList& argumentos, const QString& carpetaEjecutable);

// The same from main's arguments, in an application of its own that needs no display at all
// (a timer's service has none): Qt's offscreen platform, set before the application exists.
int EstadosSinVentana(int argc, char** argv);
