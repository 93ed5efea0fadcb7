// A sheet longer than a workbook sheet holds goes on in "Movimientos (2)": LibreOffice reads
// every sheet back, headings on each and every row once, in order. 1,100,000 rows made as they
// are asked for, so the test holds none of them.
#include "reportengine/Exportacion.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

constexpr std::size_t Filas = 1100000;
constexpr std::size_t PorHoja = 1048575; // below the headings

QString Clave(std::size_t f) {
    return QStringLiteral("F%1").arg(f, 7, 10, QLatin1Char('0'));
}

// The lines of one sheet as LibreOffice wrote it.
QList<QByteArray> Lineas(const QString& ruta) {
    QFile f(ruta);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << ruta.toStdString();
    QList<QByteArray> l = f.readAll().split('\n');
    for (QByteArray& x : l)
        x = x.trimmed();
    while (!l.isEmpty() && l.back().isEmpty())
        l.removeLast();
    return l;
}

TEST(LibroGrande, DosHojasQueLibreOfficeLeeEnteras) {
    QTemporaryDir dir;
    motor::Hoja mov;
    mov.nombre = QStringLiteral("Movimientos");
    mov.columnas = {{QStringLiteral("Clave"), motor::TipoCelda::Texto},
                    {QStringLiteral("Importe"), motor::TipoCelda::Numero}};
    mov.filas = Filas;
    mov.celda = [](std::size_t f, std::size_t c) -> motor::Celda {
        return c == 0 ? motor::Celda{Clave(f), 0} : motor::Celda{{}, double(f) / 4};
    };
    motor::Hoja resumen;
    resumen.nombre = QStringLiteral("Resumen");
    resumen.columnas = {{QStringLiteral("Clave"), motor::TipoCelda::Texto}};
    resumen.filas = 2;
    resumen.celda = [](std::size_t f, std::size_t) -> motor::Celda {
        return {QStringLiteral("R%1").arg(f), 0};
    };
    const QString libro = dir.filePath(QStringLiteral("libro.xlsx"));
    std::size_t ultima = 0;
    motor::EscribeXlsx({mov, resumen}, libro, [&ultima](std::size_t hechas, std::size_t total) {
        EXPECT_EQ(total, Filas + 2);
        ultima = hechas;
        return true;
    });
    EXPECT_EQ(ultima, Filas + 2);

    // Every sheet to a CSV file of its own ("libro-<sheet>.csv"), values as stored.
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=") +
                       QUrl::fromLocalFile(dir.filePath(QStringLiteral("perfil"))).toString(),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                   QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,"
                                  "false,false,-1"),
                   QStringLiteral("--outdir"), dir.filePath(QStringLiteral("csv")), libro});
    ASSERT_TRUE(soffice.waitForStarted()) << "soffice (libreoffice-calc) is not installed";
    ASSERT_TRUE(soffice.waitForFinished(-1));
    ASSERT_EQ(soffice.exitCode(), 0) << soffice.readAllStandardError().toStdString();
    QStringList hojas = QDir(dir.filePath(QStringLiteral("csv"))).entryList(QDir::Files);
    hojas.sort();
    EXPECT_EQ(hojas, (QStringList{"libro-Movimientos (2).csv", "libro-Movimientos.csv",
                                  "libro-Resumen.csv"}));

    std::size_t siguiente = 0;
    for (const char* hoja : {"Movimientos", "Movimientos (2)"}) {
        SCOPED_TRACE(hoja);
        const QList<QByteArray> l =
            Lineas(dir.filePath(QStringLiteral("csv/libro-%1.csv").arg(QLatin1String(hoja))));
        ASSERT_FALSE(l.isEmpty());
        EXPECT_EQ(l[0], "Clave,Importe");
        EXPECT_EQ(std::size_t(l.size() - 1), std::min(PorHoja, Filas - siguiente));
        for (qsizetype i = 1; i < l.size(); ++i, ++siguiente) {
            const QList<QByteArray> campos = l[i].split(',');
            ASSERT_EQ(campos.value(0), Clave(siguiente).toLatin1()) << "line " << i;
            ASSERT_EQ(campos.value(1).toDouble(), double(siguiente) / 4) << "line " << i;
        }
    }
    EXPECT_EQ(siguiente, Filas);
    EXPECT_EQ(Lineas(dir.filePath(QStringLiteral("csv/libro-Resumen.csv"))),
              (QList<QByteArray>{"Clave", "R0", "R1"}));
}

} // namespace
