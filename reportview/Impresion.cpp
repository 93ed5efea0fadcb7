#include "reportview/Impresion.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QPainter>
#include <QPrinter>

namespace motor {

void Imprime(const Documento& d, QPrinter& impresora) {
    impresora.setFullPage(true);
    impresora.setPageLayout(HojaDeDocumento(d));
    impresora.setDocName(d.titulo);
    QPainter pintor;
    if (!pintor.begin(&impresora))
        throw ErrorMotor(
            errores::ErrorSalida,
            QStringLiteral("No se pudo imprimir en «%1».").arg(impresora.printerName()));
    PintaDocumento(d, impresora, pintor, impresora.resolution() / 72.0);
    pintor.end();
}

} // namespace motor
