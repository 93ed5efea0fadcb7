#include "reportengine/VistaPrevia.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"
#include "reportengine/Salida.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace motor {

// One page drawn at the current zoom, straight from the laid out page.
class HojaVista : public QWidget {
public:
    explicit HojaVista(const Documento& d, QWidget* padre) : QWidget(padre), d_(d) {}
    void Muestra(int pagina, double escala) {
        pagina_ = pagina;
        escala_ = escala;
        setFixedSize(int(d_.tamano.width() * escala_ + 0.5),
                     int(d_.tamano.height() * escala_ + 0.5));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(rect(), Qt::white);
        if (pagina_ >= 0 && pagina_ < int(d_.paginas.size()))
            PintaPagina(p, d_.paginas[std::size_t(pagina_)], escala_);
    }

private:
    const Documento& d_;
    int pagina_ = 0;
    double escala_ = 1.0;
};

VistaPrevia::VistaPrevia(Documento documento, QWidget* padre)
    : QWidget(padre, Qt::Window), documento_(std::move(documento)) {
    setWindowTitle(QStringLiteral("Vista previa - ") + documento_.titulo);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* barra = new QHBoxLayout;
    auto boton = [&](const QString& texto, auto accion) {
        auto* b = new QPushButton(texto, this);
        connect(b, &QPushButton::clicked, this, accion);
        barra->addWidget(b);
        return b;
    };
    boton(QStringLiteral("|<"), [this] {
        IrAPagina(0);
    })->setToolTip(QStringLiteral("Primera página"));
    boton(QStringLiteral("<"), [this] {
        IrAPagina(pagina_ - 1);
    })->setToolTip(QStringLiteral("Página anterior"));
    indicador_ = new QLabel(this);
    barra->addWidget(indicador_);
    boton(QStringLiteral(">"), [this] {
        IrAPagina(pagina_ + 1);
    })->setToolTip(QStringLiteral("Página siguiente"));
    boton(QStringLiteral(">|"), [this] {
        IrAPagina(paginas() - 1);
    })->setToolTip(QStringLiteral("Última página"));
    boton(QStringLiteral("−"), [this] { Aleja(); })->setToolTip(QStringLiteral("Alejar"));
    boton(QStringLiteral("+"), [this] { Acerca(); })->setToolTip(QStringLiteral("Acercar"));
    barra->addStretch();
    boton(QStringLiteral("&Imprimir…"), [this] { PreguntaImpresora(); });
    boton(QStringLiteral("&Guardar PDF…"), [this] { PreguntaPdf(); });

    area_ = new QScrollArea(this);
    area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    area_->setBackgroundRole(QPalette::Dark);
    hoja_ = new HojaVista(documento_, area_);
    area_->setWidget(hoja_);

    auto* columna = new QVBoxLayout(this);
    columna->addLayout(barra);
    columna->addWidget(area_, 1);
    resize(900, 800);
    Actualiza();
}

void VistaPrevia::IrAPagina(int pagina) {
    pagina_ = std::clamp(pagina, 0, std::max(0, paginas() - 1));
    Actualiza();
}

void VistaPrevia::Acerca() {
    zoom_ = std::min(4.0, zoom_ * 1.25);
    Actualiza();
}

void VistaPrevia::Aleja() {
    zoom_ = std::max(0.25, zoom_ / 1.25);
    Actualiza();
}

void VistaPrevia::Actualiza() {
    // Screen pixels per point at 100 %.
    const double escala = zoom_ * logicalDpiX() / 72.0;
    hoja_->Muestra(pagina_, escala);
    indicador_->setText(QStringLiteral("Página %1 de %2  (%3 %)")
                            .arg(pagina_ + 1)
                            .arg(paginas())
                            .arg(int(zoom_ * 100 + 0.5)));
}

void VistaPrevia::GuardaPdf(const QString& ruta) {
    EscribePdf(documento_, ruta);
}

void VistaPrevia::PreguntaPdf() {
    const QString ruta = QFileDialog::getSaveFileName(
        this, QStringLiteral("Guardar PDF"), documento_.titulo + QStringLiteral(".pdf"),
        QStringLiteral("PDF (*.pdf)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (ruta.isEmpty())
        return;
    try {
        GuardaPdf(ruta);
    } catch (const ErrorMotor& e) {
        QMessageBox::critical(this, windowTitle(), e.texto());
    }
}

void VistaPrevia::PreguntaImpresora() {
    QPrinter impresora(QPrinter::HighResolution);
    QPrintDialog dialogo(&impresora, this);
    if (dialogo.exec() != QDialog::Accepted)
        return;
    try {
        Imprime(documento_, impresora);
    } catch (const ErrorMotor& e) {
        QMessageBox::critical(this, windowTitle(), e.texto());
    }
}

} // namespace motor
