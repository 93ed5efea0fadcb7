#pragma once

// The settings keys of the program and of the host's stored settings, with their defaults.

#include <QString>

namespace inicio::claves {

struct Clave {
    const char16_t* nombre;
    const char16_t* porDefecto;

    QString Nombre() const { return QString::fromUtf16(nombre); }
    QString PorDefecto() const { return QString::fromUtf16(porDefecto); }
};

// The program's own INI file, next to the executable, and its one section.
inline constexpr char16_t ArchivoIni[] = u"Quiltaro.ini";
inline constexpr char16_t SeccionIni[] = u"Configuración";

// Keys of the INI file. The installation folder defaults to the executable's folder, known
// only at run time.
inline constexpr Clave RutaTrevanto{u"Ruta de Trevanto Premium", u""};
inline constexpr Clave BaseDeDatos{u"Base de datos a usar", u"datos1"};

// Keys of the host's stored settings.
inline constexpr Clave MySQLPuerto{u"MySQLPuerto", u"3306"};
inline constexpr Clave MySQLServer{u"MySQLServer", u""};
inline constexpr Clave MySQLUsuario{u"MySQLUsuario", u"root"};
inline constexpr Clave MySQLPassword{u"MySQLPassword", u""};
inline constexpr Clave Servidor{u"servidor", u""}; // read only: the source of MySQLServer

inline constexpr int PuertoPorDefecto = 3306;

} // namespace inicio::claves
