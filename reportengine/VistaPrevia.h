#pragma once

#include "reportengine/Paginas.h"

#include <QWidget>

class QLabel;
class QScrollArea;

namespace motor {

class HojaVista;

// The report on screen: the pages one at a time, zoom, page navigation, print and save as PDF.
// A non-modal window; whoever shows it owns it.
class VistaPrevia : public QWidget {
    Q_OBJECT
public:
    explicit VistaPrevia(Documento documento, QWidget* padre = nullptr);

    int pagina() const { return pagina_; }
    int paginas() const { return int(documento_.paginas.size()); }
    double zoom() const { return zoom_; }
    const Documento& documento() const { return documento_; }

    void IrAPagina(int pagina); // from 0, kept in range
    void Acerca();
    void Aleja();

    // Writes the pages to a PDF; fails with ErrorMotor ErrorSalida.
    void GuardaPdf(const QString& ruta);

private:
    void PreguntaPdf();
    void PreguntaImpresora();
    void Actualiza();

    Documento documento_;
    int pagina_ = 0;
    double zoom_ = 1.0;
    HojaVista* hoja_ = nullptr;
    QScrollArea* area_ = nullptr;
    QLabel* indicador_ = nullptr;
};

} // namespace motor
