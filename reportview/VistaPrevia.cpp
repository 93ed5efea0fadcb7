#include "reportview/VistaPrevia.h"

#include "mail/Ajustes.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Pintor.h"
#include "reportengine/Salida.h"
#include "reportview/DialogoMembrete.h"
#include "reportview/Impresion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace motor {

namespace {
constexpr double ZoomMinimo = 0.25;
constexpr double ZoomMaximo = 4.0;
} // namespace

// One page drawn at the current zoom, straight from the laid out page.
class HojaVista : public QWidget {
public:
    explicit HojaVista(QWidget* padre) : QWidget(padre) {}
    void Muestra(const Documento* d, int pagina, double escala) {
        d_ = d;
        pagina_ = pagina;
        escala_ = escala;
        if (d_)
            setFixedSize(int(d_->tamano.width() * escala_ + 0.5),
                         int(d_->tamano.height() * escala_ + 0.5));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(rect(), Qt::white);
        // Only the page on screen is made, each time it is drawn.
        if (d_ && pagina_ >= 0 && pagina_ < int(d_->NumeroPaginas()))
            PintaPagina(p, d_->HazPagina(std::size_t(pagina_)), escala_);
    }

private:
    const Documento* d_ = nullptr;
    int pagina_ = 0;
    double escala_ = 1.0;
};

VistaPrevia::VistaPrevia(const QString& titulo, const QString& solicitud, QWidget* padre)
    : QWidget(padre, Qt::Window), titulo_(titulo) {
    setWindowTitle(QStringLiteral("Vista previa - ") + titulo_ +
                   (solicitud.isEmpty() ? QString() : QStringLiteral(" - ") + solicitud));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* barra = new QHBoxLayout;
    // Pages and zoom take small buttons, so that the bar fits a small screen's width.
    auto boton = [&](QAbstractButton* b, const QString& texto, const QString& ayuda, auto accion) {
        b->setText(texto);
        b->setToolTip(ayuda);
        b->setEnabled(false);
        connect(b, &QAbstractButton::clicked, this, accion);
        barra->addWidget(b);
        botones_.push_back(b);
    };
    auto pequeno = [&](const QString& texto, const QString& ayuda, auto accion) {
        auto* b = new QToolButton(this);
        b->setMinimumWidth(30);
        boton(b, texto, ayuda, accion);
    };
    auto grande = [&](const QString& texto, const QString& ayuda, auto accion) {
        boton(new QPushButton(this), texto, ayuda, accion);
    };
    pequeno(QStringLiteral("|<"), QStringLiteral("Primera página (Inicio)"),
            [this] { IrAPagina(0); });
    pequeno(QStringLiteral("<"), QStringLiteral("Página anterior (RePág)"),
            [this] { IrAPagina(pagina_ - 1); });
    indicador_ = new QLabel(this);
    // Its text changes while the report lays out; it never widens the window.
    indicador_->setAlignment(Qt::AlignCenter);
    indicador_->setFixedWidth(indicador_->fontMetrics().horizontalAdvance(
                                  QStringLiteral("Página 8888 de 8888  (400 %)")) +
                              12);
    barra->addWidget(indicador_);
    pequeno(QStringLiteral(">"), QStringLiteral("Página siguiente (AvPág)"),
            [this] { IrAPagina(pagina_ + 1); });
    pequeno(QStringLiteral(">|"), QStringLiteral("Última página (Fin)"),
            [this] { IrAPagina(paginas() - 1); });
    barra->addSpacing(8);
    pequeno(QStringLiteral("−"), QStringLiteral("Alejar (Ctrl+-)"), [this] { Aleja(); });
    pequeno(QStringLiteral("+"), QStringLiteral("Acercar (Ctrl++)"), [this] { Acerca(); });
    pequeno(QStringLiteral("Ancho"), QStringLiteral("Ajustar al ancho de la ventana (Ctrl+0)"),
            [this] { AjustaAlAncho(); });
    barra->addStretch();
    // The commands in a row of their own, so that the window still fits a small screen.
    auto* navegacion = barra;
    barra = new QHBoxLayout;
    grande(QStringLiteral("&Imprimir…"), QStringLiteral("Imprimir (Ctrl+P)"),
           [this] { PreguntaImpresora(); });
    grande(QStringLiteral("&Guardar PDF…"), QStringLiteral("Guardar como PDF (Ctrl+S)"),
           [this] { PreguntaPdf(); });
    grande(QStringLiteral("&Exportar Excel…"), QStringLiteral("Exportar a un libro de Excel"),
           [this] { PreguntaXlsx(); });
    grande(QStringLiteral("Exportar &CSV…"), QStringLiteral("Exportar a un archivo CSV"),
           [this] { PreguntaCsv(); });
    grande(QStringLiteral("Es&tados de cuenta…"),
           QStringLiteral("Un PDF con el estado de cuenta de cada cliente, en una carpeta"),
           [this] { PreguntaEstados(); });
    estados_ = botones_.back();
    grande(QStringLiteral("Enviar por c&orreo…"),
           QStringLiteral("El estado de cuenta de cada cliente, por correo electrónico"),
           [this] { PreguntaEnvio(); });
    correo_ = botones_.back();
    grande(QStringLiteral("&Membrete…"),
           QStringLiteral("El membrete de la tienda en los estados de cuenta y en los correos"),
           [this] {
               if (EditaMembrete(this, correo::CarpetaAjustesUsuario()))
                   reporte_.membrete = CargaMembrete(correo::CarpetaAjustesUsuario());
           });
    barra->addStretch();

    area_ = new QScrollArea(this);
    area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    area_->setBackgroundRole(QPalette::Dark);
    hoja_ = new HojaVista(area_);
    area_->setWidget(hoja_);

    auto* columna = new QVBoxLayout(this);
    columna->addLayout(barra);
    columna->addLayout(navegacion);
    columna->addWidget(area_, 1);

    Atajo(QKeySequence(Qt::Key_PageUp), [this] { IrAPagina(pagina_ - 1); });
    Atajo(QKeySequence(Qt::Key_PageDown), [this] { IrAPagina(pagina_ + 1); });
    Atajo(QKeySequence(Qt::Key_Home), [this] { IrAPagina(0); });
    Atajo(QKeySequence(Qt::Key_End), [this] { IrAPagina(paginas() - 1); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { Acerca(); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { Acerca(); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { Aleja(); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { AjustaAlAncho(); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PreguntaImpresora(); });
    Atajo(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { PreguntaPdf(); });
    for (const QKeySequence& cierra :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* atajo = new QShortcut(cierra, this);
        atajo->setContext(Qt::WindowShortcut);
        connect(atajo, &QShortcut::activated, this, &QWidget::close);
    }

    // Most of a small screen, never more than it.
    QSize tamano(1100, 800);
    if (const QScreen* pantalla = QGuiApplication::primaryScreen())
        tamano = tamano.boundedTo(pantalla->availableGeometry().size() * 0.95);
    resize(tamano);
    indicador_->setText(QStringLiteral("Preparando…"));
}

void VistaPrevia::Atajo(const QKeySequence& teclas, const std::function<void()>& accion) {
    auto* atajo = new QShortcut(teclas, this);
    atajo->setContext(Qt::WindowShortcut);
    connect(atajo, &QShortcut::activated, this, [this, accion] {
        if (lista())
            accion();
    });
}

void VistaPrevia::Avanza(std::size_t paginas, std::size_t hechas, std::size_t total) {
    indicador_->setText(
        QStringLiteral("Preparando… %1 %2")
            .arg(paginas)
            .arg(paginas == 1 ? QStringLiteral("página") : QStringLiteral("páginas")));
    indicador_->setToolTip(QStringLiteral("%1 de %2 filas").arg(hechas).arg(total));
}

void VistaPrevia::Muestra(std::shared_ptr<const Documento> documento, std::vector<Hoja> hojas,
                          ReporteHecho reporte) {
    documento_ = std::move(documento);
    hojas_ = std::move(hojas);
    reporte_ = std::move(reporte);
    if (!reporte_.membrete)
        reporte_.membrete = CargaMembrete(correo::CarpetaAjustesUsuario());
    for (QAbstractButton* b : botones_)
        b->setEnabled(true);
    // Statements need the report's rows; a preview shown without them has none to make.
    estados_->setEnabled(reporte_.datos && reporte_.cuentas && !reporte_.datos->grupos.empty());
    correo_->setEnabled(estados_->isEnabled());
    primera_.reset();
    indicador_->setToolTip(QString());
    pagina_ = 0;
    Actualiza();
}

void VistaPrevia::MuestraPrimera(std::shared_ptr<const Documento> primera) {
    primera_ = std::move(primera);
    Actualiza();
}

QString VistaPrevia::indicador() const {
    return indicador_->text();
}

void VistaPrevia::IrAPagina(int pagina) {
    pagina_ = std::clamp(pagina, 0, std::max(0, paginas() - 1));
    Actualiza();
    area_->verticalScrollBar()->setValue(0);
}

void VistaPrevia::Acerca() {
    ajustada_ = false;
    zoom_ = std::min(ZoomMaximo, zoom_ * 1.25);
    Actualiza();
}

void VistaPrevia::Aleja() {
    ajustada_ = false;
    zoom_ = std::max(ZoomMinimo, zoom_ / 1.25);
    Actualiza();
}

void VistaPrevia::AjustaAlAncho() {
    ajustada_ = true;
    Actualiza();
}

void VistaPrevia::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    if (ajustada_)
        Actualiza();
}

void VistaPrevia::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    if (ajustada_)
        Actualiza();
}

void VistaPrevia::Actualiza() {
    const Documento* d = documento_ ? documento_.get() : primera_.get();
    if (!d)
        return;
    const double puntoAPixel = logicalDpiX() / 72.0; // screen pixels per point at 100 %
    if (ajustada_) {
        // The whole width of the page, with room for the vertical scroll bar.
        const int margen = area_->verticalScrollBar()->sizeHint().width() + 2 * area_->frameWidth();
        const double util = std::max(100, area_->width() - margen);
        zoom_ = std::clamp(util / (d->tamano.width() * puntoAPixel), ZoomMinimo, ZoomMaximo);
    }
    hoja_->Muestra(d, documento_ ? pagina_ : 0, zoom_ * puntoAPixel);
    // The count still grows while laying out.
    if (!documento_)
        return;
    indicador_->setText(QStringLiteral("Página %1 de %2  (%3 %)")
                            .arg(pagina_ + 1)
                            .arg(paginas())
                            .arg(int(zoom_ * 100 + 0.5)));
}

void VistaPrevia::GuardaPdf(const QString& ruta, const AvanceSalida& avance) {
    if (documento_)
        EscribePdf(*documento_, ruta, avance);
}

void VistaPrevia::ExportaXlsx(const QString& ruta, const AvanceSalida& avance) {
    EscribeXlsx(hojas_, ruta, avance);
}

void VistaPrevia::ConProgreso(const QString& titulo,
                              const std::function<void(const AvanceSalida&)>& accion) {
    QProgressDialog progreso(titulo + QStringLiteral("…"), QStringLiteral("Cancelar"), 0, 100,
                             this);
    progreso.setWindowTitle(titulo);
    progreso.setWindowModality(Qt::WindowModal);
    // A short write ends before the dialog would show.
    progreso.setMinimumDuration(1000);
    progreso.setAutoClose(false);
    progreso.setAutoReset(false);
    progreso.setValue(0);
    accion([&](std::size_t hechas, std::size_t total) {
        progreso.setValue(total > 0 ? int(hechas * 100 / total) : 100);
        QCoreApplication::processEvents();
        return !progreso.wasCanceled();
    });
}

void VistaPrevia::ExportaCsv(const QString& ruta) {
    if (hojas_.empty())
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("No hay filas que exportar."));
    EscribeCsv(hojas_.front(), ruta);
}

QString VistaPrevia::PreguntaRuta(const QString& titulo, const QString& extension,
                                  const QString& filtro) {
    return QFileDialog::getSaveFileName(this, titulo, titulo_ + extension, filtro, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void VistaPrevia::Intenta(const std::function<void()>& accion) {
    try {
        accion();
    } catch (...) {
        const comun::Error e = comun::ErrorEnCurso();
        // Cancelled by the user, who knows; the older file stayed as it was.
        if (e.numero() != errores::Cancelado)
            QMessageBox::critical(this, windowTitle(), e.texto());
    }
}

void VistaPrevia::PreguntaPdf() {
    const QString ruta = PreguntaRuta(QStringLiteral("Guardar PDF"), QStringLiteral(".pdf"),
                                      QStringLiteral("PDF (*.pdf)"));
    if (!ruta.isEmpty())
        Intenta([&] {
            ConProgreso(QStringLiteral("Guardar PDF"),
                        [&](const AvanceSalida& avance) { GuardaPdf(ruta, avance); });
        });
}

void VistaPrevia::PreguntaXlsx() {
    const QString ruta = PreguntaRuta(QStringLiteral("Exportar Excel"), QStringLiteral(".xlsx"),
                                      QStringLiteral("Libro de Excel (*.xlsx)"));
    if (!ruta.isEmpty())
        Intenta([&] {
            ConProgreso(QStringLiteral("Exportar Excel"),
                        [&](const AvanceSalida& avance) { ExportaXlsx(ruta, avance); });
        });
}

void VistaPrevia::PreguntaCsv() {
    const QString ruta = PreguntaRuta(QStringLiteral("Exportar CSV"), QStringLiteral(".csv"),
                                      QStringLiteral("CSV (*.csv)"));
    if (!ruta.isEmpty())
        Intenta([&] { ExportaCsv(ruta); });
}

std::size_t VistaPrevia::EscribeEstados(const QString& carpeta) {
    if (!reporte_.datos || !reporte_.cuentas)
        throw ErrorMotor(errores::ErrorSalida,
                         QStringLiteral("No hay estados de cuenta que hacer."));
    const QLocale numeros(QLocale::English); // "1,000", as the amounts group thousands
    const std::size_t total = reporte_.datos->grupos.size();
    QProgressDialog avance(
        QStringLiteral("Estado 1 de %1").arg(numeros.toString(qulonglong(total))),
        QStringLiteral("Cancelar"), 0, int(total), this);
    avance.setWindowTitle(QStringLiteral("Estados de cuenta"));
    avance.setWindowModality(Qt::WindowModal);
    avance.setMinimumDuration(0);
    avance.setAutoClose(false);
    avance.setAutoReset(false);
    avance.setValue(0);
    return motor::EscribeEstados(reporte_, carpeta, QDateTime::currentDateTime(),
                                 [&](std::size_t hechos, std::size_t total) {
                                     avance.setValue(int(hechos));
                                     if (hechos < total)
                                         avance.setLabelText(
                                             QStringLiteral("Estado %1 de %2")
                                                 .arg(numeros.toString(qulonglong(hechos + 1)),
                                                      numeros.toString(qulonglong(total))));
                                     QCoreApplication::processEvents();
                                     return !avance.wasCanceled();
                                 });
}

void VistaPrevia::PreguntaEstados() {
    const QString titulo = QStringLiteral("Estados de cuenta");
    const QString carpeta = QFileDialog::getExistingDirectory(
        this, titulo, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (carpeta.isEmpty() || !reporte_.datos)
        return;
    const QStringList hay = EstadosExistentes(carpeta, NombresEstados(*reporte_.datos));
    if (!hay.isEmpty() &&
        QMessageBox::question(
            this, titulo,
            QStringLiteral("La carpeta «%1» ya tiene %2 de estos estados de cuenta (%3…).\n"
                           "¿Reemplazarlos?")
                .arg(QDir::toNativeSeparators(carpeta))
                .arg(hay.size())
                .arg(hay.front()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    Intenta([&] {
        const std::size_t hechos = EscribeEstados(carpeta);
        const std::size_t total = reporte_.datos->grupos.size();
        const QString donde = QDir::toNativeSeparators(carpeta);
        QString texto;
        if (hechos < total)
            texto = QStringLiteral("Se cancelaron los estados de cuenta: quedaron los %1 "
                                   "terminados de %2 en «%3».")
                        .arg(hechos)
                        .arg(total)
                        .arg(donde);
        else if (hechos == 1)
            texto = QStringLiteral("Se escribió el estado de cuenta en «%1».").arg(donde);
        else
            texto = QStringLiteral("Se escribieron %1 estados de cuenta en «%2».")
                        .arg(hechos)
                        .arg(donde);
        QMessageBox::information(this, titulo, texto);
    });
}

void VistaPrevia::PreguntaEnvio() {
    if (!correo_->isEnabled())
        return;
    Intenta([&] {
        DialogoEnvio dialogo(reporte_, envio_, this);
        dialogo.exec();
    });
}

void VistaPrevia::PreguntaImpresora() {
    QPrinter impresora(QPrinter::HighResolution);
    PreparaImpresora(*documento_, impresora);
    QPrintDialog dialogo(&impresora, this);
    // Without the page count the dialog's range field refuses every entry.
    dialogo.setMinMax(1, paginas());
    dialogo.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialogo.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    if (dialogo.exec() != QDialog::Accepted)
        return;
    Intenta([&] { Imprime(*documento_, impresora, pagina_); });
}

} // namespace motor
