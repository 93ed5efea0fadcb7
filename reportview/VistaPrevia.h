#pragma once

#include "reportengine/Avance.h"
#include "reportengine/EstadosCuenta.h"
#include "reportengine/Exportacion.h"
#include "reportengine/Paginas.h"
#include "reportview/DialogoEnvio.h"

#include <QWidget>
#include <cstddef>
#include <memory>
#include <vector>

class QLabel;
class QAbstractButton;
class QScrollArea;

namespace motor {

class HojaVista;

// The report on screen: the pages one at a time, fit to the width of the window when it opens,
// zoom, page navigation, print, save as PDF and export to a workbook or CSV. A non-modal
// window; whoever shows it owns it. It can be shown while the report is still being laid out
// (Avanza tells how far it got) and gets its pages with Muestra.
//
// Keys: PgUp / PgDn previous and next page, Home / End first and last page, Ctrl++ / Ctrl+-
// zoom, Ctrl+0 fit to width, Ctrl+P print, Ctrl+S save as PDF, Escape / Ctrl+W close; Alt+T the
// statements, one PDF per customer in a folder; Alt+O the statements sent by mail.
class VistaPrevia : public QWidget {
    Q_OBJECT
public:
    // solicitud: the request the report answers, shown in the window's title too.
    explicit VistaPrevia(const QString& titulo, const QString& solicitud = {},
                         QWidget* padre = nullptr);

    // While laying out: pages made so far, rows done and rows in all.
    void Avanza(std::size_t paginas, std::size_t hechas, std::size_t total);
    // While laying out: the first page, shown until Muestra gives them all.
    void MuestraPrimera(std::shared_ptr<const Documento> primera);
    void Muestra(std::shared_ptr<const Documento> documento, std::vector<Hoja> hojas,
                 ReporteHecho reporte = {});

    bool lista() const { return documento_ != nullptr; }
    int pagina() const { return pagina_; }
    int paginas() const { return documento_ ? int(documento_->NumeroPaginas()) : 0; }
    double zoom() const { return zoom_; }
    bool ajustada() const { return ajustada_; }
    QString indicador() const;

    void IrAPagina(int pagina); // from 0, kept in range
    void Acerca();
    void Aleja();
    void AjustaAlAncho();

    // Write the pages or the rows; fail with ErrorMotor ErrorSalida, or Cancelado when avance
    // stops them (the older file stays as it was).
    void GuardaPdf(const QString& ruta, const AvanceSalida& avance = {});
    void ExportaXlsx(const QString& ruta, const AvanceSalida& avance = {});
    void ExportaCsv(const QString& ruta);
    // Every customer's statement in the folder, with a progress dialog that can cancel (the
    // statements finished stay). Returns how many were written; fails with ErrorSalida.
    std::size_t EscribeEstados(const QString& carpeta);
    // What the sending dialog takes from the program (the customers' addresses among it).
    void PonOpcionesEnvio(OpcionesDialogoEnvio opciones) { envio_ = std::move(opciones); }
    const OpcionesDialogoEnvio& opcionesEnvio() const { return envio_; }
    // The report's rows and numbers, for its statements.
    const ReporteHecho& reporte() const { return reporte_; }

protected:
    void resizeEvent(QResizeEvent* evento) override;
    void showEvent(QShowEvent* evento) override;

private:
    void PreguntaPdf();
    void PreguntaImpresora();
    void PreguntaXlsx();
    void PreguntaCsv();
    void PreguntaEstados();
    void PreguntaEnvio();
    // A save dialog with that title; "" when the user cancels.
    QString PreguntaRuta(const QString& titulo, const QString& extension, const QString& filtro);
    void Intenta(const std::function<void()>& accion);
    // Runs a long write with a progress dialog that can cancel it.
    void ConProgreso(const QString& titulo, const std::function<void(const AvanceSalida&)>& accion);
    void Actualiza();
    void Atajo(const QKeySequence& teclas, const std::function<void()>& accion);

    QString titulo_;
    std::shared_ptr<const Documento> documento_;
    std::shared_ptr<const Documento> primera_; // while laying out
    std::vector<Hoja> hojas_;
    ReporteHecho reporte_;
    int pagina_ = 0;
    double zoom_ = 1.0;
    bool ajustada_ = true; // the zoom follows the window's width until the user zooms
    HojaVista* hoja_ = nullptr;
    QScrollArea* area_ = nullptr;
    QLabel* indicador_ = nullptr;
    std::vector<QAbstractButton*> botones_;
    QAbstractButton* estados_ = nullptr; // the statements need the report's rows
    QAbstractButton* correo_ = nullptr;  // and so does their sending
    OpcionesDialogoEnvio envio_;
};

} // namespace motor
