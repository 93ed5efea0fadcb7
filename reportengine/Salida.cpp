#include "reportengine/Salida.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>

namespace motor {

void EscribePdf(const Documento& d, const QString& ruta) {
    {
        // QPdfWriter says nothing when it cannot write, so the file is tried first.
        QFile prueba(ruta);
        if (ruta.isEmpty() || !prueba.open(QIODevice::WriteOnly))
            throw ErrorMotor(errores::ErrorSalida,
                             QStringLiteral("No se puede escribir el PDF «%1»: %2")
                                 .arg(ruta, prueba.errorString()));
    }
    {
        QPdfWriter pdf(ruta);
        pdf.setResolution(300);
        pdf.setPageLayout(HojaDeDocumento(d));
        pdf.setTitle(d.titulo);
        pdf.setCreator(QStringLiteral("Quiltaro"));
        QPainter pintor;
        if (!pintor.begin(&pdf))
            throw ErrorMotor(errores::ErrorSalida,
                             QStringLiteral("No se puede escribir el PDF «%1».").arg(ruta));
        PintaDocumento(d, pdf, pintor, 300.0 / 72.0);
        pintor.end();
    }
    if (QFile(ruta).size() <= 0)
        throw ErrorMotor(errores::ErrorSalida,
                         QStringLiteral("No se pudo escribir el PDF «%1».").arg(ruta));
}

} // namespace motor
