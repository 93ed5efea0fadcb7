#pragma once

// Setting the connection up without editing files: what the connection dialog shows, tries and
// writes. Where the program's settings live:
// - the user's own file, $XDG_CONFIG_HOME/Quiltaro/Quiltaro.ini (~/.config/... when unset), is
//   used when it exists;
// - else Quiltaro.ini beside the program, as always.
// Saving writes into the file in use when it can be written, else into the user's own file
// (an installed program's folder belongs to root). The host folder may be a folder of the
// user's own, for a PC without the host product: CarpetaHostPropia.

#include "host/BasesDD.h"
#include "host/DelRegistro.h"
#include "host/Error.h"
#include "host/Utilerias.h"

#include <QString>

namespace inicio {

// The values of the dialog.
struct DatosConexion {
    QString carpetaHost; // the host's installation folder, holding Trevanto.ini
    QString base;        // "Base de datos a usar"
    QString servidor;
    unsigned puerto = 3306;
    QString usuario;
    QString password; // plain text
};

// The user's own settings file, whether it exists or not.
QString ArchivoIniUsuario();
// The settings file of the run: the user's own when it exists, else the one beside the program.
QString ArchivoIni(const QString& carpetaEjecutable);
// A host folder of the user's own, for a PC without the host product.
QString CarpetaHostPropia();

// The values as the files hold them now; what is missing gets its default (the program's own
// folder for the host, or the user's own host folder when that one has no Trevanto.ini and the
// user cannot write there; datos1; this machine; 3306; root; no password).
DatosConexion LeeConexion(const QString& carpetaEjecutable, const qm::Utilerias& Utilerias);

// Tries the values as start-up would use them: "" when the server takes them and the user may
// read the host's tables, else one text saying what is wrong (server not reached at
// host:port, user or password refused, database missing, which right is missing for which
// table).
QString PruebaConexion(const DatosConexion& datos);

// Whether the folder holds a host's Trevanto.ini already (the dialog asks before writing into
// it).
bool HayTrevantoIni(const QString& carpeta);

// Writes the values: the two keys of Quiltaro.ini (in the file in use when it can be written,
// else in the user's own) and the four connection keys of Trevanto.ini (user and password in
// the host's encoded form; every other key and line kept), creating the folder and files that
// are missing. Gives the settings record the values make, for the ODBC data sources. Fails
// naming the file that could not be written.
qm::BasesDD GuardaConexion(const DatosConexion& datos, const QString& carpetaEjecutable,
                           qm::DelRegistro& DelRegistro, const qm::Utilerias& Utilerias);

// Whether a start-up failure is one of settings, which the connection dialog can fix.
bool EsDeAjustes(const qm::Error& error);

} // namespace inicio
