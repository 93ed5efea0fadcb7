#include "mail/clientes/CorreosClientes.h"
#include "reportengine/ErroresMotor.h"
#include "tests/support/LenguajeMySQL55.h"
#include "tests/support/ServidorPrueba.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Caso {
    const char* nombre;
    const char* conjunto;
    const char* colacion;
    const char* columna;  // its definition in clientes
    const char* nombrada; // "Columna de correo"
    const char* hallada;  // the column found; "" none
    bool sinCaso;         // the collation takes "c001" for "C001"
};

const Caso kCasos[] = {
    {"general_ci", "utf8mb4", "utf8mb4_general_ci", "`CORREO` varchar(80)", "", "CORREO", true},
    {"latin1", "latin1", "latin1_swedish_ci", "`email` varchar(80)", "", "email", true},
    {"nombrada_bin", "utf8mb4", "utf8mb4_bin", "`Contacto` varchar(80)", "contacto", "Contacto",
     false},
    {"sin_columna", "utf8mb4", "utf8mb4_general_ci", "`Telefono2` varchar(20)", "", "", true},
};

void PrintTo(const Caso& caso, std::ostream* os) {
    *os << caso.nombre;
}

class CorreosClientes : public testing::TestWithParam<Caso> {};

TEST_P(CorreosClientes, ElServidorComparaLasClaves) {
    const Caso& c = GetParam();
    prueba::BaseTemporal base("correo", c.conjunto, c.colacion);
    qm::Conexion cn = prueba::Conecta(base.nombre());
    cn.Execute(QString("CREATE TABLE clientes (Clave varchar(10) NOT NULL, Nombre varchar(60), "
                       "%1, PRIMARY KEY (Clave))")
                   .arg(c.columna));
    const QString columna = QString(c.columna).section('`', 1, 1);
    cn.Execute("INSERT INTO clientes VALUES ('C001', 'Uno', 'uno@x.mx'), ('" + cn.Escapa("O'B\\1") +
               "', 'Dos', 'dos@x.mx'), ('ÑU01', 'Tres', NULL)");

    prueba::LenguajeMySQL55 lenguaje;
    cn.PonObservador([&](const QString& sql) {
        EXPECT_EQ(lenguaje.Revisa(sql), QStringList()) << sql.toStdString();
    });
    EXPECT_EQ(correo::ColumnaCorreo(cn, c.nombrada), QString(c.hallada));

    // The shop's file over the column; its codes found in any case.
    QTemporaryDir ajustes;
    QFile csv(correo::ArchivoCorreos(ajustes.path()));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Clave,Correos,Enviar\r\nñu01,tres@x.mx; mal@,\r\n\"O'B\\1\",,no\r\n");
    csv.close();
    const auto delReporte =
        correo::CorreosDelReporte(cn, c.nombrada, ajustes.path(), {"C001", "O'B\\1", "ÑU01"});
    EXPECT_EQ(delReporte.value("C001").validas,
              QString(c.hallada).isEmpty() ? QStringList() : QStringList{"uno@x.mx"});
    EXPECT_FALSE(delReporte.value("O'B\\1").Tiene());
    EXPECT_EQ(delReporte.value("ÑU01").validas, QStringList{"tres@x.mx"});
    EXPECT_EQ(delReporte.value("ÑU01").malas, QStringList{"mal@"});
    if (QString(c.hallada).isEmpty())
        return;
    const auto correos =
        correo::CorreosDeClientes(cn, columna, {"C001", "c001", "O'B\\1", "ÑU01", "C009"});
    EXPECT_EQ(correos.value("C001"), "uno@x.mx");
    EXPECT_EQ(correos.contains("c001"), c.sinCaso);
    EXPECT_EQ(correos.value("O'B\\1"), "dos@x.mx");
    EXPECT_TRUE(correos.contains("ÑU01"));
    EXPECT_EQ(correos.value("ÑU01"), "");
    EXPECT_FALSE(correos.contains("C009"));
    EXPECT_THROW(correo::ColumnaCorreo(cn, "NoEsta"), motor::ErrorMotor);
}

INSTANTIATE_TEST_SUITE_P(Colaciones, CorreosClientes, testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

} // namespace
