#pragma once

#include "ObjetoQM.h"

#include <QString>
#include <QVariant>

namespace qm {

// The host's stored settings and the registry writes of the host library. The host keeps its
// settings in "Trevanto.ini", section [Registro], in its installation folder.
class DelRegistro final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.DelRegistro"); }

    // Full path of the host's settings file in the folder, its name in any case, binding
    // DatosTVW and GuardaDatosTVW to it; "" when the folder holds no host installation
    // (nothing is bound then).
    QString BuscarRegistroTVW(const QString& carpeta);
    // Stored host setting, "" when absent. Fails when no installation is bound.
    QString DatosTVW(const QString& clave) const;
    // Stores the host setting (its text form). Fails when no installation is bound.
    void GuardaDatosTVW(const QString& clave, const QVariant& valor);

    // Stores a string value in the registry. Only "Software\ODBC\ODBC.INI\<data source>" is
    // known here: the value goes into that unixODBC user data source (the user odbc.ini,
    // honouring ODBCINI), which is kept readable by its owner only. A data source without a
    // driver gets one first (a system data source's of the name, else the installed MariaDB
    // driver's); one it has stays. Any other key path fails
    // with errores::ArgumentoInvalido; a failed write with errores::ConfiguracionOdbc.
    void GrabarCadena(const QString& rutaClave, const QString& nombre, const QString& valor);

    // The settings file bound by BuscarRegistroTVW, "" when none.
    const QString& archivo() const { return archivo_; }

private:
    QString archivo_;
};

} // namespace qm
