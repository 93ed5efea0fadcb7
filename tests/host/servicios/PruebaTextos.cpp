#include "host/Utilerias.h"
#include "host/libQMCM.h"

#include <gtest/gtest.h>

namespace {

TEST(Encripta, IdaYVueltaImprimibleNuncaPlanoNiBlanco) {
    const qm::Utilerias u;
    const QString textos[] = {
        "", "root", " ", "contraseña ÁÉÍÓÚ ü", ";=}{\"'", "QMX1:", QString(500, u'z') + "€𝄞"};
    for (const QString& plano : textos) {
        const QString cifrado = u.Encripta(plano);
        SCOPED_TRACE(plano.toStdString());
        EXPECT_NE(cifrado, plano);
        EXPECT_FALSE(cifrado.trimmed().isEmpty());
        for (const QChar c : cifrado)
            EXPECT_TRUE(c.unicode() > 32 && c.unicode() < 127) << cifrado.toStdString();
        EXPECT_EQ(u.DesEncripta(cifrado), plano);
    }
}

TEST(Encripta, TextoNoCifradoPasaIgual) {
    const qm::Utilerias u;
    for (const QString t : {"", "root", "secreto", "QMX1:zz", "QMX1:4", "QMX1:ff"})
        EXPECT_EQ(u.DesEncripta(t), t) << t.toStdString();
}

TEST(qmVal, NumeroInicial) {
    const qm::libQMCM lib;
    const std::pair<QVariant, double> casos[] = {
        {"3306", 3306},    {" 12ab", 12}, {"abc", 0},    {"", 0},         {"0", 0},
        {"  -4.5x", -4.5}, {"+7", 7},     {"1e3", 1000}, {"2e", 2},       {".5", 0.5},
        {"-", 0},          {"\t8", 8},    {3307, 3307},  {QVariant(), 0}, {"1.2.3", 1.2},
    };
    for (const auto& [valor, numero] : casos)
        EXPECT_DOUBLE_EQ(lib.qmVal(valor), numero) << valor.toString().toStdString();
}

TEST(LeeFecha, SoloFechasCompletasYValidas) {
    const std::pair<QString, QDate> casos[] = {
        {"29/02/2024", QDate(2024, 2, 29)},
        {"01/12/1999", QDate(1999, 12, 1)},
        {"31/02/2024", QDate()},
        {"__/__/____", QDate()},
        {"12/1_/2024", QDate()},
        {"//", QDate()},
        {"2024-02-01", QDate()},
        {"", QDate()},
    };
    for (const auto& [texto, fecha] : casos) {
        const auto leida = qm::LeeFecha(texto);
        EXPECT_EQ(leida.has_value(), fecha.isValid()) << texto.toStdString();
        if (leida) {
            EXPECT_EQ(*leida, fecha);
        }
    }
}

TEST(Fechas, FormatosDelHost) {
    const qm::libQMCM lib;
    EXPECT_EQ(lib.FechaSQL(QDate(2024, 3, 5)), "2024-03-05");
    EXPECT_TRUE(qm::LeeFecha(lib.FechaHoy()).has_value());
}

TEST(CambXXX, CadaMarca) {
    const qm::Utilerias u;
    const std::tuple<QString, QVariant, QString> casos[] = {
        {"a='XXX'", "C001", "a='C001'"}, {"XXX y XXX", 5, "5 y 5"},
        {"sin marca", "x", "sin marca"}, {"XXXX", "ab", "abX"},
        {"c='XXX'", "o'r", "c='o'r'"},
    };
    for (const auto& [plantilla, valor, esperado] : casos)
        EXPECT_EQ(u.CambXXX(plantilla, valor), esperado);
}

} // namespace
