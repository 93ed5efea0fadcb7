#include "reportengine/Salida.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace motor {

void EscribePdf(const Documento& d, const QString& ruta) {
    ArchivoSeguro archivo(ruta);
    {
        QPdfWriter pdf(&archivo.Dispositivo());
        pdf.setResolution(300);
        pdf.setPageLayout(HojaDeDocumento(d));
        pdf.setTitle(d.titulo);
        pdf.setCreator(QStringLiteral("Quiltaro"));
        QPainter pintor;
        if (!pintor.begin(&pdf))
            throw archivo.Error(QStringLiteral("no se pudo empezar el PDF."));
        PintaDocumento(d, pdf, pintor, 300.0 / 72.0);
        pintor.end();
    }
    archivo.Confirma();
}

} // namespace motor
