#include "reportengine/Salida.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace motor {

void EscribePdf(const Documento& d, const QString& ruta, const AvanceSalida& avance) {
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
        const std::size_t paginas = d.NumeroPaginas();
        for (std::size_t i = 0; i < paginas; ++i) {
            if (i > 0)
                pdf.newPage();
            PintaPagina(pintor, d.HazPagina(i), 300.0 / 72.0);
            if (avance && !avance(i + 1, paginas))
                throw ErrorMotor(
                    errores::Cancelado,
                    QStringLiteral("Se canceló el PDF; «%1» quedó como estaba.").arg(ruta));
        }
        pintor.end();
    }
    archivo.Confirma();
}

} // namespace motor
