// A Quiltaro.ini that its user may write, in a folder where that user may not make files (as
// under Program Files): the key goes into the file itself. The write runs in a program of its
// own that gives up root's rights first, since root ignores folder permissions.
#include "tests/support/EntornoPrueba.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QByteArray kAntes = "[Configuraci\xF3n]\r\n"
                          "Ruta de Trevanto Premium=\"C:\\Archivos de programa\\Trevanto\"\r\n"
                          "Base de datos a usar=datos1\r\n"
                          "\r\n"
                          "[Otra]\r\n"
                          "Se\xF1or=s\xED\r\n";

struct Salida {
    int estado = -1;
    QString estandar;
    QString error;
};

Salida EscribeSinPermiso(const QString& archivo, const QString& clave, const QString& valor) {
    QProcess proceso;
    proceso.start(QStringLiteral(QUILTARO_ESCRIBE_INI),
                  {archivo, QStringLiteral("Configuración"), clave, valor});
    EXPECT_TRUE(proceso.waitForFinished(30000));
    return {proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
            QString::fromUtf8(proceso.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(proceso.readAllStandardError())};
}

ino_t Nodo(const QString& archivo) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(archivo).constData(), &st), 0);
    return st.st_ino;
}

// The folder of the program, closed to new files; open again when the test ends, so that it
// can be removed.
class CarpetaCerrada : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(raiz_.isValid());
        // Reachable by the unprivileged user.
        ASSERT_TRUE(QFile::setPermissions(raiz_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ReadGroup |
                                                            QFile::ExeGroup | QFile::ReadOther |
                                                            QFile::ExeOther));
        ASSERT_TRUE(QDir(raiz_.path()).mkdir(QStringLiteral("programa")));
    }
    void TearDown() override { ::chmod(QFile::encodeName(carpeta_).constData(), 0755); }

    void Prepara(mode_t permisosArchivo) {
        QFile f(archivo_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(kAntes);
        f.close();
        ASSERT_EQ(::chmod(QFile::encodeName(archivo_).constData(), permisosArchivo), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(carpeta_).constData(), 0555), 0);
    }

    QTemporaryDir raiz_;
    QString carpeta_ = raiz_.filePath(QStringLiteral("programa"));
    QString archivo_ = carpeta_ + QStringLiteral("/Quiltaro.ini");
};

TEST_F(CarpetaCerrada, UnArchivoEscribibleSeEscribeEnSuLugarMasCortoOMasLargo) {
    struct Caso {
        QString clave, valor;
        QByteArray antes, despues;
    };
    const Caso casos[] = {
        {"Ruta de Trevanto Premium", "D:\\T", "=\"C:\\Archivos de programa\\Trevanto\"\r\n",
         "=\"D:\\T\"\r\n"},
        {"Base de datos a usar", "una base de datos de nombre largo, más que antes", "=datos1\r\n",
         "=una base de datos de nombre largo, m\xE1s que antes\r\n"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.clave.toStdString());
        TearDown();
        Prepara(0666);
        const ino_t nodo = Nodo(archivo_);
        const Salida salida = EscribeSinPermiso(archivo_, caso.clave, caso.valor);
        // The situation is real: no file could be made in the folder.
        EXPECT_EQ(salida.estandar, QStringLiteral("carpeta cerrada"));
        EXPECT_EQ(salida.estado, 0) << salida.error.toStdString();
        QByteArray esperado = kAntes;
        esperado.replace(caso.antes, caso.despues);
        EXPECT_EQ(prueba::LeeArchivo(archivo_), esperado);
        EXPECT_EQ(Nodo(archivo_), nodo);
        EXPECT_EQ(QDir(carpeta_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Quiltaro.ini")});
    }
}

TEST_F(CarpetaCerrada, UnArchivoDeSoloLecturaNoSeEscribeYSeNombra) {
    Prepara(0444);
    const Salida salida = EscribeSinPermiso(archivo_, QStringLiteral("Base de datos a usar"),
                                            QStringLiteral("datos2"));
    EXPECT_EQ(salida.estandar, QStringLiteral("carpeta cerrada"));
    EXPECT_EQ(salida.estado, 1);
    EXPECT_TRUE(salida.error.startsWith(QStringLiteral("Error no. 75: ")))
        << salida.error.toStdString();
    EXPECT_TRUE(salida.error.contains(archivo_)) << salida.error.toStdString();
    EXPECT_EQ(prueba::LeeArchivo(archivo_), kAntes);
}

} // namespace
