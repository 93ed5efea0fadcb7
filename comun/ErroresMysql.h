#pragma once

// The MySQL server's and client's error numbers that the program acts on, named once. The
// host library hands them out beside its session errors; the report engine, which reaches the
// same server through ODBC, reads the same numbers as the driver's native ones.
namespace comun::mysql {

inline constexpr long AccesoBaseNegado = 1044;        // ER_DBACCESS_DENIED_ERROR
inline constexpr long AccesoNegado = 1045;            // ER_ACCESS_DENIED_ERROR
inline constexpr long BaseDesconocida = 1049;         // ER_BAD_DB_ERROR
inline constexpr long ColumnaDesconocida = 1054;      // ER_BAD_FIELD_ERROR
inline constexpr long RegistroHostNoBloqueado = 1130; // ER_HOST_NOT_PRIVILEGED
inline constexpr long TablaNegada = 1142;             // ER_TABLEACCESS_DENIED_ERROR
inline constexpr long ColumnaNegada = 1143;           // ER_COLUMNACCESS_DENIED_ERROR
inline constexpr long TablaDesconocida = 1146;        // ER_NO_SUCH_TABLE
inline constexpr long EsperaAgotada = 1205;           // ER_LOCK_WAIT_TIMEOUT
inline constexpr long AccesoNegadoSinClave = 1698;    // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
inline constexpr long ServidorSeFue = 2006;           // CR_SERVER_GONE_ERROR

// The server refused the user, the password, or the machine the user comes from.
constexpr bool UsuarioRechazado(long numero) {
    return numero == AccesoNegado || numero == AccesoNegadoSinClave ||
           numero == RegistroHostNoBloqueado;
}

} // namespace comun::mysql
