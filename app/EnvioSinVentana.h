#pragma once

#include "app/OpcionesEstados.h"
#include "host/Conexion.h"
#include "host/libQMCM.h"
#include "mail/Ajustes.h"
#include "mail/Estados.h"

#include <QString>
#include <optional>
#include <vector>

// The user's outgoing mail settings and password, for a run without a window.
struct CorreoSinVentana {
    correo::AjustesCorreo ajustes;
    QString contrasena;
};

// The settings the user keeps (Correo.ini and the password beside it), or none with the reason
// in error: never set, incomplete, or a login without its password.
std::optional<CorreoSinVentana> PreparaCorreo(QString& error);

// Sends the written statements of the customers to their addresses (the customer table's
// column named in Quiltaro.ini's "Columna de correo" or found, under the shop's Correos.csv)
// and logs each in Envíos.csv, as the window's sending does: one line per customer on the
// standard output as it ends, then the summary. Gives the exit status (EstadosSinVentana.h).
int EnviaSinVentana(const CorreoSinVentana& correo,
                    const std::vector<correo::ClienteDelReporte>& clientes, qm::Conexion& cn,
                    const QString& archivoIni, const qm::libQMCM& libQMCM,
                    const OpcionesEstados& opciones);
