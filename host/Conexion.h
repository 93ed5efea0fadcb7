#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

typedef struct st_mysql MYSQL;

namespace qm {

class Recordset;

// Where and how to connect. Always over TCP to the port: an empty server means this machine
// (127.0.0.1), and "localhost" too goes over TCP, never the default unix socket.
struct ParametrosConexion {
    QString servidor;
    unsigned puerto = 3306;
    QString usuario;
    QString password;
    QString base;
    unsigned segundosEspera = 10; // connect timeout
};

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
};

} // namespace qm
