#pragma once

#include "mail/Ajustes.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace correo {

// What the fields of the texts stand for, for one customer.
struct DatosMensaje {
    QString clave;
    QString nombre;
    QString periodo; // "01/11/2026 al 30/11/2026"
    double saldo = 0;
    QDate fecha; // the day of sending
};

// A period as {periodo} and the send log write it, "01/11/2026 al 30/11/2026": the window and
// the command line both make it here, so that the log knows a statement already sent.
QString Periodo(const QDate& desde, const QDate& hasta);

// The text with {clave}, {nombre}, {periodo}, {saldo} (two decimals, thousands separated) and
// {fecha} (dd/MM/yyyy) filled in; any other braces stay as they are.
QString Rellena(const QString& plantilla, const DatosMensaje& datos);

// One message as it will go.
struct Mensaje {
    QString nombreRemitente;
    QString remitente;
    QString responderA;
    QStringList para;  // the To: header and the envelope
    QStringList sobre; // the envelope only (the archive copy): never a header
    QString asunto;
    QString cuerpo;
    QString archivo;       // the statement on disk
    QString nombreAdjunto; // the name the customer sees
};

// The message of one customer's statement, as the settings' texts make it, the body closed by
// the settings' signature under the usual "-- " line when there is one. The attached
// file's name comes from its text made safe for a file system; the file's own name when that
// text is empty.
Mensaje ArmaMensaje(const AjustesCorreo& ajustes, const DatosMensaje& datos,
                    const QStringList& para, const QString& archivo);

} // namespace correo
