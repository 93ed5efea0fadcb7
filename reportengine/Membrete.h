#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

namespace motor {

// The shop's letterhead, kept once in the user's settings folder (Membrete.ini, and the logo
// copied beside it as Logotipo.png or Logotipo.jpg so that it survives the original being moved).
struct Membrete {
    QString nombre;
    QStringList direccion;                          // up to three lines
    QString etiquetaFiscal = QStringLiteral("RFC"); // what the tax id is called where the shop is
    QString identificacionFiscal;
    QString telefono;
    QString logo;  // the image's full path; "" for none
    QImage imagen; // the logo as drawn, read by CargaMembrete; one per run, so a PDF holds it once

    bool Vacio() const;
    // The lines of text as printed: the name, the address, "RFC: …", "Tel. …"; none empty.
    QStringList Lineas() const;
};

inline constexpr int LineasDireccion = 3;

QString ArchivoMembrete(const QString& carpeta);

// The letterhead kept in the folder, texts and logo path only; empty when there is none.
Membrete LeeMembrete(const QString& carpeta);

// Why the file cannot be the logo, in one Spanish sentence; "" when it is a PNG or JPEG image
// that can be read whole.
QString RevisaLogo(const QString& archivo);

// Keeps the letterhead in the folder (created when missing). A logo from elsewhere is checked
// first and copied in; a bad one fails before anything is written. Fails with ErrorMotor
// (ErrorSalida) naming the file.
void GuardaMembrete(const Membrete& membrete, const QString& carpeta);

// The letterhead to draw on the statements, its logo read once and reduced to what a band at
// the top of a page can show; null when the folder holds none. A logo that can no longer be
// read leaves the texts without it.
std::shared_ptr<const Membrete> CargaMembrete(const QString& carpeta);

} // namespace motor
