#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

typedef struct st_mysql MYSQL;

namespace qm {

class Recordset;

// How long the server may take to answer. A server that goes silent (the connection open, no
// answer: a pulled cable, a dropped VPN) must not hold the program for minutes, yet a long
// legitimate statement must never be cut.
// - RespuestaBreve: an ordinary statement (the customer lookup, start-up, the exit, a lock's
//   own checks) is answered in milliseconds. With it, and the connect timeout of five seconds
//   when a new session must be opened, the window's first keystroke on a silent server
//   answers within six seconds.
// - RespuestaLarga: the movement builder's largest single statements take 3 to 4 seconds at a
//   million movements here (the copy of every row, the final fill of the working table); 60 s
//   leaves room for ten times that data or a server several times slower. It bounds every read
//   and write of a session, those of code that sends through nativo() included.
inline constexpr std::chrono::seconds RespuestaBreve{4};
inline constexpr std::chrono::seconds RespuestaLarga{60};

// Where and how to connect. Always over TCP to the port: an empty server means this machine
// (127.0.0.1), and "localhost" too goes over TCP, never the default unix socket.
struct ParametrosConexion {
    QString servidor;
    unsigned puerto = 3306;
    QString usuario;
    QString password;
    QString base;
    unsigned segundosEspera = 10; // connect timeout, the server's greeting included
    // The most one read or write may wait; fixed when the session opens.
    std::chrono::seconds limiteLectura = RespuestaLarga;
    // The most a statement waits for its answer to begin, unless a PlazoDeRespuesta says
    // otherwise. The program's own sessions (BasesDD) take RespuestaBreve.
    std::chrono::seconds plazoRespuesta = RespuestaLarga;
};

// The machine a server setting names: an empty one is this machine, 127.0.0.1.
QString ServidorDe(const QString& servidor);
// "127.0.0.1, puerto 3306": the server and port the parameters reach, for messages.
QString ServidorYPuerto(const ParametrosConexion& parametros);
// "127.0.0.1:3306", the same in short.
QString ServidorDosPuntos(const QString& servidor, unsigned puerto);

// A connection to the MySQL server: a handle to one shared session, like the database objects
// the host library hands out, so copies see the same session and CierraBdD closes it for all.
// A session that the server dropped while it sat idle (server restarted, idle timeout) is
// opened again before the next statement is sent; a statement is never sent twice once it may
// have reached the server. Session settings ("SET ..." statements run here) are applied again
// after such a re-open.
class Conexion {
public:
    Conexion();
    ~Conexion();
    Conexion(const Conexion&);
    Conexion& operator=(const Conexion&);
    Conexion(Conexion&&) noexcept;
    Conexion& operator=(Conexion&&) noexcept;

    // Opens a new session; fails with the server's own number and text.
    static Conexion Abre(const ParametrosConexion& parametros);

    bool abierta() const;
    // Closes the session for every handle. A closed or never-opened connection is accepted.
    void Cierra();

    // Runs a statement; any rows it returns are discarded.
    void Execute(const QString& sql);
    // Runs a query and keeps all of its rows.
    Recordset Consulta(const QString& sql);
    // The same, waiting up to `plazo` for the answer to begin; `entretanto`, when given, runs
    // every few hundredths of a second while it waits (a window repaints).
    Recordset Consulta(const QString& sql, std::chrono::seconds plazo,
                       const std::function<void()>& entretanto);

    // The most a statement of this session waits for its answer to begin. When the answer has
    // not begun by then, the statement fails (2013, naming the server and port) and the session
    // is given up: the next statement opens a new one. Changes at once, for every handle.
    std::chrono::seconds plazoRespuesta() const;
    void PonPlazoRespuesta(std::chrono::seconds plazo);

    // The text escaped for use inside single quotes on this session (apostrophes and
    // backslashes), honouring the session's NO_BACKSLASH_ESCAPES.
    QString Escapa(const QString& texto);

    // Rows changed by the last statement; warnings of the last statement.
    unsigned long long filasAfectadas() const;
    unsigned int avisos() const;

    const ParametrosConexion& parametros() const;

    // The native session, for code that streams large results itself. Checked for an idle
    // drop first, as before every statement. Fails on a closed connection.
    MYSQL* nativo();

    // An observer of the session (shared by its handles) that sees the text of every statement
    // before it is sent; an empty one removes it. Code that sends through nativo() calls
    // Anuncia with its statement text first.
    void PonObservador(std::function<void(const QString& sql)> observador);
    void Anuncia(const QString& sql);

private:
    struct Sesion;
    std::shared_ptr<Sesion> sesion_;
    friend class Recordset;
    friend class EscritorFilas;
};

// Another answer bound on a session while it lives; the one before comes back after.
class PlazoDeRespuesta {
public:
    PlazoDeRespuesta(Conexion cn, std::chrono::seconds plazo);
    ~PlazoDeRespuesta();
    PlazoDeRespuesta(const PlazoDeRespuesta&) = delete;
    PlazoDeRespuesta& operator=(const PlazoDeRespuesta&) = delete;

private:
    Conexion cn_;
    std::chrono::seconds antes_;
};

} // namespace qm
