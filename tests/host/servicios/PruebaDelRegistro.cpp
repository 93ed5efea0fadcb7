#include "host/DelRegistro.h"
#include "host/Error.h"
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(DelRegistro, SinInstalacionNoQuedaAtado) {
    QTemporaryDir dir;
    qm::DelRegistro r;
    EXPECT_EQ(r.BuscarRegistroTVW(dir.path()), "");
    EXPECT_EQ(r.BuscarRegistroTVW(""), "");
    EXPECT_EQ(r.BuscarRegistroTVW(dir.filePath("no existe")), "");
    EXPECT_THROW(r.DatosTVW("MySQLPuerto"), qm::Error);
    EXPECT_THROW(r.GuardaDatosTVW("MySQLPuerto", 3306), qm::Error);
}

TEST(DelRegistro, LeeYGuardaEnSuSeccion) {
    QTemporaryDir dir;
    const QString archivo = dir.filePath("Trevanto.ini");
    {
        QFile f(archivo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Otra]\r\nservidor=no\r\n[registro]\r\nservidor = srv1\r\n");
    }
    qm::DelRegistro r;
    EXPECT_EQ(r.BuscarRegistroTVW(dir.path()), archivo);
    EXPECT_EQ(r.DatosTVW("SERVIDOR"), "srv1");
    EXPECT_EQ(r.DatosTVW("MySQLPuerto"), "");
    r.GuardaDatosTVW("MySQLPuerto", 3306);
    EXPECT_EQ(r.DatosTVW("MySQLPuerto"), "3306");
    // Another folder without the file unbinds.
    QTemporaryDir otra;
    EXPECT_EQ(r.BuscarRegistroTVW(otra.path()), "");
    EXPECT_THROW(r.DatosTVW("servidor"), qm::Error);
}

TEST(DelRegistro, ElArchivoDelHostSeEncuentraEscritoComoSea) {
    struct Caso {
        QStringList archivos; // in the host folder
        QString hallado;      // "" when none is taken
    };
    const Caso casos[] = {
        {{"TREVANTO.INI"}, "TREVANTO.INI"},
        {{"trevanto.ini"}, "trevanto.ini"},
        {{"Trevanto.INI", "otro.ini"}, "Trevanto.INI"},
        {{"TREVANTO.INI", "Trevanto.ini"}, "Trevanto.ini"}, // the exact name first
        {{"Trevanto.ini.bak", "xTrevanto.ini"}, ""},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.archivos.join(", ").toStdString());
        QTemporaryDir dir;
        for (const QString& nombre : caso.archivos) {
            QFile f(dir.filePath(nombre));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(("[Registro]\r\nMySQLServer=" + nombre + "\r\n").toUtf8());
        }
        qm::DelRegistro r;
        EXPECT_EQ(r.BuscarRegistroTVW(dir.path()),
                  caso.hallado.isEmpty() ? QString() : dir.filePath(caso.hallado));
        if (!caso.hallado.isEmpty()) {
            EXPECT_EQ(r.DatosTVW("MySQLServer"), caso.hallado);
            r.GuardaDatosTVW("MySQLPuerto", 3307);
            // Written into the file found, not into a new one beside it.
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), caso.archivos.size());
            EXPECT_EQ(r.DatosTVW("MySQLPuerto"), "3307");
        }
    }
    // A folder named like the file is no installation.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("TREVANTO.INI"));
    EXPECT_EQ(qm::DelRegistro().BuscarRegistroTVW(dir.path()), "");
}

QString LeeOdbc(const QString& origen, const QString& clave) {
    // unixODBC's own reading of the user file.
    return prueba::Ejecuta("odbcinst", {"-q", "-s", "-n", origen})
        .split('\n')
        .filter(QRegularExpression("^" + clave + "\\s*="))
        .value(0)
        .section('=', 1)
        .trimmed();
}

TEST(GrabarCadena, EscribeElOrigenDeDatosDelUsuario) {
    const QString odbcIni = prueba::Entorno().odbcIni();
    QFile::remove(odbcIni);
    qm::DelRegistro r;
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\Trevanto Reportes", "SERVER", "db.local");
    r.GrabarCadena("SOFTWARE\\odbc\\odbc.ini\\Trevanto Reportes", "PWD", "pa;ss=ñ");
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\myodbc3-test", "PORT", "3307");
    EXPECT_EQ(LeeOdbc("Trevanto Reportes", "SERVER"), "db.local");
    EXPECT_EQ(LeeOdbc("Trevanto Reportes", "PWD"), "pa;ss=ñ");
    EXPECT_EQ(LeeOdbc("myodbc3-test", "PORT"), "3307");

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(odbcIni).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // An existing file opened to others is closed again.
    ::chmod(QFile::encodeName(odbcIni).constData(), 0644);
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\Trevanto Reportes", "PWD", "");
    ASSERT_EQ(::stat(QFile::encodeName(odbcIni).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const QString salida = prueba::Ejecuta("odbcinst", {"-q", "-s", "-n", "Trevanto Reportes"});
    EXPECT_TRUE(salida.contains(QRegularExpression("\\nPWD\\s*=\\s*\\n"))) << salida.toStdString();
    EXPECT_EQ(LeeOdbc("Trevanto Reportes", "SERVER"), "db.local");
}

TEST(GrabarCadena, UnOrigenNuevoLlevaElDriverInstaladoYUnoExistenteConservaElSuyo) {
    const QString odbcIni = prueba::Entorno().odbcIni();
    prueba::EscribeArchivo(odbcIni, "[myodbc3-test]\nDriver=Otro driver\nServer=viejo\n"
                                    "[Trevanto Reportes]\nServer=sin driver\n");
    qm::DelRegistro r;
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\myodbc3-test", "Server", "db.local");
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\Trevanto Reportes", "Server", "db.local");
    r.GrabarCadena("Software\\ODBC\\ODBC.INI\\Nuevo", "Server", "db.local");
    EXPECT_EQ(LeeOdbc("myodbc3-test", "Driver"), "Otro driver");
    // Debian's odbc-mariadb registers its driver under this name.
    EXPECT_EQ(LeeOdbc("Trevanto Reportes", "Driver"), "MariaDB Unicode");
    EXPECT_EQ(LeeOdbc("Nuevo", "Driver"), "MariaDB Unicode");
    EXPECT_EQ(LeeOdbc("Nuevo", "Server"), "db.local");
    QFile::remove(odbcIni);
}

TEST(GrabarCadena, OtraClaveSeRechaza) {
    qm::DelRegistro r;
    for (const QString ruta : {"Software\\Trevanto\\Config", "", "Software\\ODBC\\ODBC.INI\\",
                               "HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI\\x"}) {
        try {
            r.GrabarCadena(ruta, "SERVER", "x");
            ADD_FAILURE() << "accepted " << ruta.toStdString();
        } catch (const qm::Error& e) {
            EXPECT_EQ(e.numero(), qm::errores::ArgumentoInvalido);
            EXPECT_FALSE(e.descripcion().isEmpty());
        }
    }
}

} // namespace
