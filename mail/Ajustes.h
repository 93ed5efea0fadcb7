#pragma once

#include <QString>

namespace correo {

// How the connection to the mail server is protected.
enum class Seguridad {
    StartTls,  // plain connection raised to TLS before anything else; refused when not offered
    Tls,       // TLS from the start (usually port 465)
    SinCifrar, // no TLS at all: only for a server on this machine (loopback)
};

// "Correo saliente" and the message texts, as the user set them. The password is apart
// (Contrasena.h).
struct AjustesCorreo {
    QString servidor;
    unsigned puerto = 587;
    Seguridad seguridad = Seguridad::StartTls;
    QString usuario; // empty: the server takes mail without a login
    QString nombreRemitente;
    QString direccionRemitente;
    QString responderA;         // Reply-To, optional
    QString copiaArchivo;       // an archive copy of every message, in the envelope only
    QString archivoCertificado; // the shop's own authority; empty: the system's authorities
    int segundosConexion = 15;  // to reach the server and get its greeting
    int segundosRespuesta = 60; // for each of the server's answers

    // Texts with the fields {clave}, {nombre}, {periodo}, {saldo} and {fecha}.
    QString asunto;
    QString cuerpo;
    QString nombreAdjunto;

    // The letterhead's lines (name, address, tax id, phone) that close every message as its
    // signature: read from the shop's Membrete.ini in the same folder, never kept here.
    QString firma;
};

// The settings of someone who never set them: the Spanish texts, STARTTLS on 587.
AjustesCorreo AjustesPorOmision();

// The folder of the user's own settings, where Quiltaro.ini of the user lies
// ($XDG_CONFIG_HOME/Quiltaro).
QString CarpetaAjustesUsuario();
// The settings file in that folder (or another): Correo.ini.
QString ArchivoAjustes(const QString& carpeta);

// The settings kept in the folder; the defaults for what is missing. The signature comes from
// the letterhead kept in the same folder.
AjustesCorreo LeeAjustes(const QString& carpeta);
// Keeps them in the folder, creating it. Fails with errores::ArchivoAjustes naming the file.
void GuardaAjustes(const AjustesCorreo& ajustes, const QString& carpeta);

// What keeps the settings from being used, in one Spanish sentence; "" when they can be used.
QString RevisaAjustes(const AjustesCorreo& ajustes);

// Whether the server named is this machine: localhost, 127.x.x.x or ::1.
bool EsServidorLocal(const QString& servidor);

} // namespace correo
