#include "host/BasesDD.h"
#include "report/Odbc.h"
#include "tests/support/ServidorPrueba.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>
#include <sql.h>
#include <sqlext.h>

namespace {

struct LiberaHandle {
    SQLSMALLINT tipo;
    void operator()(void* h) const {
        if (tipo == SQL_HANDLE_DBC)
            SQLDisconnect(h);
        SQLFreeHandle(tipo, h);
    }
};
using Handle = std::unique_ptr<void, LiberaHandle>;

// Connects through the MariaDB ODBC driver with the port from outside and the rest from the
// connection text, as the engine does with its data source.
bool Conecta(const QString& texto, unsigned puerto) {
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return false;
    const Handle entorno(env, {SQL_HANDLE_ENV});
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)))
        return false;
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    QByteArray completo =
        QStringLiteral("DRIVER={MariaDB Unicode};PORT=%1;").arg(puerto).toUtf8() + texto.toUtf8();
    const SQLRETURN r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(completo.data()),
                                         SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        return false;
    }
    const Handle conexion(dbc, {SQL_HANDLE_DBC});
    return true;
}

// A user of the private server with a password that a connection string cannot carry bare.
class UsuarioRaro {
public:
    UsuarioRaro(const QString& base, const QString& password)
        : cn_(prueba::Conecta()),
          nombre_(QStringLiteral("rpt%1").arg(QCoreApplication::applicationPid())) {
        const QString clave = cn_.Escapa(password);
        for (const char* anfitrion : {"localhost", "%"}) {
            cn_.Execute(QStringLiteral("CREATE OR REPLACE USER '%1'@'%2' IDENTIFIED BY '%3'")
                            .arg(nombre_, anfitrion, clave));
            cn_.Execute(
                QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%3'").arg(base, nombre_, anfitrion));
        }
    }
    ~UsuarioRaro() {
        try {
            for (const char* anfitrion : {"localhost", "%"})
                cn_.Execute(
                    QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(nombre_, anfitrion));
        } catch (...) {
        }
    }
    UsuarioRaro(const UsuarioRaro&) = delete;
    UsuarioRaro& operator=(const UsuarioRaro&) = delete;
    const QString& nombre() const { return nombre_; }

private:
    qm::Conexion cn_;
    QString nombre_;
};

TEST(ReporteConexionReal, PasswordConPuntoYComaYLlaveConecta) {
    const prueba::DatosServidor& servidor = prueba::Servidor();
    const prueba::BaseTemporal base("rpt");
    const QString password = QStringLiteral("pa;ss=1}x");
    const UsuarioRaro usuario(base.nombre(), password);
    qm::BasesDD b;
    b.cRuta = servidor.servidor;
    b.cMiBase = base.nombre();
    b.cUsuario = usuario.nombre();
    b.cPassword = password;
    EXPECT_TRUE(Conecta(modRPTs::TextoConexion(b), servidor.puerto))
        << modRPTs::TextoConexion(b).toStdString();
    // The same text with the password bare is what the driver refuses.
    const QString bare = QStringLiteral("SERVER=%1;DB=%2;UID=%3;PWD=%4;")
                             .arg(b.cRuta, b.cMiBase, b.cUsuario, password);
    EXPECT_FALSE(Conecta(bare, servidor.puerto));
}

} // namespace
