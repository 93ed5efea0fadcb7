#include "reportengine/Salida.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace motor {

namespace {

QPageLayout Hoja(const Documento& d) {
    return QPageLayout(QPageSize(d.carta ? QPageSize::Letter : QPageSize::A4),
                       d.horizontal ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

void Pinta(const Documento& d, QPagedPaintDevice& dispositivo, QPainter& pintor, double escala) {
    for (std::size_t i = 0; i < d.paginas.size(); ++i) {
        if (i > 0)
            dispositivo.newPage();
        PintaPagina(pintor, d.paginas[i], escala);
    }
}

} // namespace

void EscribePdf(const Documento& d, const QString& ruta) {
    ArchivoSeguro archivo(ruta);
    {
        QPdfWriter pdf(&archivo.Dispositivo());
        pdf.setResolution(300);
        pdf.setPageLayout(Hoja(d));
        pdf.setTitle(d.titulo);
        pdf.setCreator(QStringLiteral("Quiltaro"));
        QPainter pintor;
        if (!pintor.begin(&pdf))
            throw archivo.Error(QStringLiteral("no se pudo empezar el PDF."));
        Pinta(d, pdf, pintor, 300.0 / 72.0);
        pintor.end();
    }
    archivo.Confirma();
}

void Imprime(const Documento& d, QPrinter& impresora) {
    impresora.setFullPage(true);
    impresora.setPageLayout(Hoja(d));
    impresora.setDocName(d.titulo);
    QPainter pintor;
    if (!pintor.begin(&impresora))
        throw ErrorMotor(
            errores::ErrorSalida,
            QStringLiteral("No se pudo imprimir en «%1».").arg(impresora.printerName()));
    Pinta(d, impresora, pintor, impresora.resolution() / 72.0);
    pintor.end();
}

} // namespace motor
