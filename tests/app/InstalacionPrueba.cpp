#include "tests/app/InstalacionPrueba.h"

#include "host/Utilerias.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <arpa/inet.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace prueba {

namespace {

void Escribe(const QString& archivo, const QString& texto) {
    QFile salida(archivo);
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("no se puede escribir " + archivo.toStdString());
    salida.write(texto.toUtf8());
}

} // namespace

InstalacionPrueba::InstalacionPrueba(const DatosServidor& datos, const QString& base)
    : InstalacionPrueba(datos, base, datos.puerto) {}

InstalacionPrueba::InstalacionPrueba(const DatosServidor& datos, const QString& base,
                                     unsigned puerto)
    : base_(base) {
    if (!raiz_.isValid())
        throw std::runtime_error("no hay carpeta temporal");
    QDir().mkpath(carpetaEjecutable());
    QDir().mkpath(carpetaHost());
    const qm::Utilerias utilerias;
    Escribe(carpetaHost() + QStringLiteral("/Trevanto.ini"),
            QStringLiteral("[Registro]\n"
                           "MySQLServer=%1\n"
                           "MySQLPuerto=%2\n"
                           "MySQLUsuario=%3\n"
                           "MySQLPassword=%4\n")
                .arg(datos.servidor)
                .arg(puerto)
                .arg(utilerias.Encripta(datos.usuario), utilerias.Encripta(datos.password)));
    ApuntaA(carpetaHost());
}

InstalacionPrueba::~InstalacionPrueba() {
    std::error_code fallo;
    std::filesystem::current_path(QDir::tempPath().toStdString(), fallo);
}

void InstalacionPrueba::ApuntaA(const QString& carpetaHost) const {
    Escribe(archivoIni(), QStringLiteral("[Configuración]\n"
                                         "Ruta de Trevanto Premium=%1\n"
                                         "Base de datos a usar=%2\n")
                              .arg(carpetaHost, base_));
}

void CreaClientes(qm::Conexion& cn) {
    cn.Execute(QStringLiteral("CREATE TABLE clientes (Clave varchar(10) NOT NULL, "
                              "Nombre varchar(60) NULL, Saldo double NOT NULL DEFAULT 0)"));
    cn.Execute(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES "
                              "('C001', 'Ana Pérez Núñez'), "
                              "('C0', 'Prefijo Dos'), "
                              "('O''Brien', 'Pat O''Brien'), "
                              "('a\\\\b', 'Con Diagonal'), "
                              "(' ', 'Clave En Blanco'), "
                              "('VACIO', ''), "
                              "('NULO', NULL)"));
}

unsigned PuertoCerrado() {
    const int zocalo = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    direccion.sin_port = 0;
    socklen_t largo = sizeof direccion;
    ::bind(zocalo, reinterpret_cast<sockaddr*>(&direccion), largo);
    ::getsockname(zocalo, reinterpret_cast<sockaddr*>(&direccion), &largo);
    ::close(zocalo);
    return ntohs(direccion.sin_port);
}

bool EsperaHasta(const std::function<bool()>& condicion) {
    // A minute at most, against a hang; a loaded machine may take seconds.
    return QTest::qWaitFor(condicion, 60000);
}

} // namespace prueba
