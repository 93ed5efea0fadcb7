// quiltaro_rptc: compiles a readable template source into the binary .rpt file.
#include "reportengine/ErroresMotor.h"
#include "reportengine/FormatoPlantilla.h"
#include "reportengine/TextoDiseno.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "uso: quiltaro_rptc fuente.rpt.txt salida.rpt\n");
        return 2;
    }
    const QString fuente = QString::fromLocal8Bit(argv[1]);
    const QString salida = QString::fromLocal8Bit(argv[2]);
    try {
        QFile entrada(fuente);
        if (!entrada.open(QIODevice::ReadOnly))
            throw motor::ErrorMotor(
                motor::errores::SinPlantilla,
                QStringLiteral("No se puede leer %1: %2").arg(fuente, entrada.errorString()));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString texto = utf8(entrada.readAll());
        if (utf8.hasError())
            throw motor::ErrorMotor(motor::errores::PlantillaDanada,
                                    QStringLiteral("%1 no es UTF-8 válido").arg(fuente));
        const QByteArray bytes = motor::EscribePlantilla(motor::LeeFuente(texto));
        QSaveFile archivo(salida);
        if (!archivo.open(QIODevice::WriteOnly) || archivo.write(bytes) != bytes.size() ||
            !archivo.commit())
            throw motor::ErrorMotor(
                motor::errores::ErrorSalida,
                QStringLiteral("No se puede escribir %1: %2").arg(salida, archivo.errorString()));
    } catch (const motor::ErrorMotor& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(e.texto()));
        return 1;
    }
    return 0;
}
