#include "reportview/DialogoEnvio.h"

#include "comun/Error.h"
#include "mail/Ajustes.h"
#include "mail/Bitacora.h"
#include "mail/Contrasena.h"
#include "reportengine/ErroresMotor.h"
#include "reportengine/Formatos.h"
#include "reportview/DialogoCorreoSaliente.h"
#include "reportview/EnHilo.h"
#include "reportview/EnvioConAvance.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

namespace motor {

namespace {

const QString kTitulo = QStringLiteral("Enviar por correo");
const QString kClaveCarpeta = QStringLiteral("Envio/Carpeta");

enum Columna { ColCliente, ColNombre, ColCorreo, ColSaldo, ColAntiguedad, NumColumnas };

bool ConSaldo(double saldo) {
    // Above zero as printed, to the cent.
    return std::llround(saldo * 100) > 0;
}

QString TextoCorreos(const correo::CorreosCliente& c) {
    if (c.nunca)
        return QStringLiteral("No recibe correo");
    QString texto =
        c.validas.isEmpty() ? QStringLiteral("Sin correo") : c.validas.join(QStringLiteral("; "));
    if (!c.malas.isEmpty())
        texto +=
            QStringLiteral(" (mal formada, no se usa: %1)").arg(c.malas.join(QStringLiteral("; ")));
    return texto;
}

QTableWidgetItem* CeldaFija(const QString& texto, Qt::Alignment alineacion = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(texto);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(alineacion | Qt::AlignVCenter);
    return item;
}

QString TextoMensaje(const correo::Mensaje& m) {
    QStringList lineas;
    lineas << QStringLiteral("De: %1 <%2>").arg(m.nombreRemitente, m.remitente)
           << QStringLiteral("Para: %1").arg(m.para.join(QStringLiteral("; ")));
    if (!m.responderA.isEmpty())
        lineas << QStringLiteral("Responder a: %1").arg(m.responderA);
    lineas << QStringLiteral("Asunto: %1").arg(m.asunto)
           << QStringLiteral("Adjunto: %1").arg(m.nombreAdjunto) << QString() << m.cuerpo;
    return lineas.join(QLatin1Char('\n'));
}

QString TextoResumen(const correo::Resumen& r, const QString& bitacora) {
    QStringList lineas;
    if (!r.falla.isEmpty())
        lineas << QStringLiteral("El envío se detuvo: %1").arg(r.falla) << QString();
    else if (r.cancelado)
        lineas << QStringLiteral("Envío cancelado.") << QString();
    lineas << QStringLiteral("Enviados: %1").arg(TextoCuenta(r.enviados))
           << QStringLiteral("Fallidos: %1").arg(TextoCuenta(r.fallidos))
           << QStringLiteral("Sin correo: %1").arg(TextoCuenta(r.sinCorreo));
    if (r.sinIntentar > 0)
        lineas << QStringLiteral("No enviados: %1").arg(TextoCuenta(r.sinIntentar));
    if (r.yaEnviados > 0)
        lineas << QStringLiteral("Ya enviados antes en este periodo, no se repitieron: %1")
                      .arg(TextoCuenta(r.yaEnviados));
    if (r.fallidos + r.sinIntentar > 0)
        lineas << QString()
               << QStringLiteral("«Reintentar los que fallaron» envía sólo los que no se "
                                 "enviaron.");
    lineas << QString()
           << QStringLiteral("El detalle está en «%1».").arg(QDir::toNativeSeparators(bitacora));
    return lineas.join(QLatin1Char('\n'));
}

} // namespace

DialogoEnvio::DialogoEnvio(ReporteHecho reporte, OpcionesDialogoEnvio opciones, QWidget* padre)
    : QDialog(padre), reporte_(std::move(reporte)), opciones_(std::move(opciones)) {
    setWindowTitle(kTitulo);
    if (opciones_.carpetaAjustes.isEmpty())
        opciones_.carpetaAjustes = correo::CarpetaAjustesUsuario();
    clientes_ = correo::ClientesDelReporte(reporte_);
    const correo::AjustesCorreo ajustes = correo::LeeAjustes(opciones_.carpetaAjustes);

    lista_ = new QTableWidget(0, NumColumnas, this);
    lista_->setObjectName(QStringLiteral("lista"));
    lista_->setHorizontalHeaderLabels({QStringLiteral("Cliente"), QStringLiteral("Nombre"),
                                       QStringLiteral("Correo"), QStringLiteral("Saldo"),
                                       QStringLiteral("Antigüedad")});
    lista_->verticalHeader()->hide();
    lista_->setSelectionMode(QAbstractItemView::NoSelection);
    lista_->horizontalHeader()->setSectionResizeMode(ColCorreo, QHeaderView::Stretch);
    connect(lista_, &QTableWidget::itemChanged, this, [this] { CuentaMarcados(); });

    soloConSaldo_ = new QCheckBox(QStringLiteral("Sólo con &saldo"), this);
    soloConSaldo_->setObjectName(QStringLiteral("soloConSaldo"));
    soloConSaldo_->setChecked(true);
    connect(soloConSaldo_, &QCheckBox::toggled, this, [this] { Filtra(); });
    cuenta_ = new QLabel(this);
    auto* marcas = new QHBoxLayout;
    marcas->addWidget(soloConSaldo_);
    marcas->addWidget(cuenta_, 1);
    auto boton = [this](QBoxLayout* fila, const QString& texto, const QString& ayuda, auto accion) {
        auto* b = new QPushButton(texto, this);
        b->setToolTip(ayuda);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, accion);
        fila->addWidget(b);
        return b;
    };
    const auto marcaTodos = [this](Qt::CheckState marca) {
        {
            const QSignalBlocker quieto(lista_);
            for (int fila = 0; fila < lista_->rowCount(); ++fila) {
                QTableWidgetItem* item = lista_->item(fila, ColCliente);
                if (!lista_->isRowHidden(fila) && (item->flags() & Qt::ItemIsUserCheckable))
                    item->setCheckState(marca);
            }
        }
        lista_->viewport()->update();
        CuentaMarcados();
    };
    boton(marcas, QStringLiteral("&Marcar todos"), QString(),
          [marcaTodos] { marcaTodos(Qt::Checked); });
    boton(marcas, QStringLiteral("N&inguno"), QString(),
          [marcaTodos] { marcaTodos(Qt::Unchecked); });
    boton(marcas, QStringLiteral("Volver a leer los c&orreos"),
          QStringLiteral("Lee otra vez las direcciones de la tabla de clientes y de Correos.csv"),
          [this] { Intenta([this] { LeeDirecciones(); }); });
    boton(marcas, QStringLiteral("Abrir Correos.&csv"),
          QStringLiteral("Las direcciones propias de la tienda: clave, correos separados por "
                         "\";\", y \"no\" para no enviar nunca"),
          [this] { Intenta([this] { AbreCorreos(); }); });

    asunto_ = new QLineEdit(ajustes.asunto, this);
    asunto_->setObjectName(QStringLiteral("asunto"));
    cuerpo_ = new QPlainTextEdit(ajustes.cuerpo, this);
    cuerpo_->setObjectName(QStringLiteral("cuerpo"));
    cuerpo_->setTabChangesFocus(true);
    adjunto_ = new QLineEdit(ajustes.nombreAdjunto, this);
    adjunto_->setObjectName(QStringLiteral("adjunto"));
    auto* mensaje = new QGroupBox(QStringLiteral("Mensaje"), this);
    auto* campos = new QFormLayout(mensaje);
    campos->addRow(QStringLiteral("&Asunto:"), asunto_);
    campos->addRow(QStringLiteral("&Texto:"), cuerpo_);
    campos->addRow(QStringLiteral("Archivo a&djunto:"), adjunto_);
    campos->addRow(
        new QLabel(QStringLiteral("Campos: {clave} {nombre} {periodo} {saldo} {fecha}"), mensaje));

    const QString guardada =
        QSettings(correo::ArchivoAjustes(opciones_.carpetaAjustes), QSettings::IniFormat)
            .value(kClaveCarpeta)
            .toString();
    carpeta_ = new QLineEdit(
        guardada.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                                 QStringLiteral("/Estados de cuenta")
                           : guardada,
        this);
    carpeta_->setObjectName(QStringLiteral("carpeta"));
    auto* donde = new QHBoxLayout;
    donde->addWidget(new QLabel(QStringLiteral("Carpeta de los estados:"), this));
    donde->addWidget(carpeta_, 1);
    boton(donde, QStringLiteral("…"), QStringLiteral("Elegir la carpeta"), [this] {
        const QString elegida = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Carpeta de los estados"), carpeta_->text(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (!elegida.isEmpty())
            carpeta_->setText(QDir::toNativeSeparators(elegida));
    });
    reenviar_ = new QCheckBox(
        QStringLiteral("Enviar de &nuevo a quienes ya recibieron el estado de este periodo"), this);
    reenviar_->setObjectName(QStringLiteral("reenviar"));

    auto* acciones = new QHBoxLayout;
    boton(acciones, QStringLiteral("Correo sa&liente…"),
          QStringLiteral("El servidor de correo y el remitente"), [this] {
              if (opciones_.correoSaliente)
                  opciones_.correoSaliente(this);
              else
                  EditaCorreoSaliente(this, opciones_.carpetaAjustes.isEmpty()
                                                ? correo::CarpetaAjustesUsuario()
                                                : opciones_.carpetaAjustes);
          });
    boton(acciones, QStringLiteral("&Vista previa del correo"),
          QStringLiteral("El mensaje del primer cliente marcado, tal como saldrá"),
          [this] { Intenta([this] { VistaPreviaCorreo(); }); });
    boton(acciones, QStringLiteral("Enviar una &prueba"),
          QStringLiteral("El mensaje del primer cliente marcado, sólo al remitente"),
          [this] { Intenta([this] { EnviaUnaPrueba(); }); });
    acciones->addStretch();
    boton(acciones, QStringLiteral("&Reintentar los que fallaron"),
          QStringLiteral("Envía sólo los que fallaron en el último envío de esta carpeta"),
          [this] { Intenta([this] { ReintentaFallidos(); }); });
    boton(acciones, QStringLiteral("&Enviar"),
          QStringLiteral("Escribe el estado de cada cliente marcado y se lo envía"),
          [this] { Intenta([this] { Envia(); }); });
    boton(acciones, QStringLiteral("Cerrar"), QString(), [this] { reject(); });

    auto* columna = new QVBoxLayout(this);
    // Most of the height to the customers; the text keeps room for a few lines.
    columna->addWidget(lista_, 3);
    columna->addLayout(marcas);
    columna->addWidget(mensaje, 2);
    columna->addLayout(donde);
    columna->addWidget(reenviar_);
    columna->addLayout(acciones);
    resize(960, 720);

    LeeDirecciones();
}

void DialogoEnvio::LeeDirecciones() {
    QStringList claves;
    for (const correo::ClienteDelReporte& c : clientes_)
        claves << c.clave;
    if (opciones_.correos) {
        correos_ = opciones_.correos(claves);
    } else {
        const auto archivo = correo::LeeCorreos(correo::ArchivoCorreos(opciones_.carpetaAjustes));
        correos_.clear();
        for (const QString& k : claves) {
            const auto fila = archivo.constFind(k.trimmed());
            correos_.insert(
                k, correo::DireccionesDe(QString(), fila == archivo.constEnd() ? nullptr : &*fila));
        }
    }
    Llena();
}

void DialogoEnvio::Llena() {
    // A customer ticked or not stays so when the addresses are read again.
    QHash<QString, bool> antes;
    for (int fila = 0; fila < lista_->rowCount(); ++fila) {
        const QTableWidgetItem* item = lista_->item(fila, ColCliente);
        if (item->flags() & Qt::ItemIsUserCheckable)
            antes.insert(item->text(), item->checkState() == Qt::Checked);
    }
    const QSignalBlocker quieto(lista_);
    lista_->setRowCount(int(clientes_.size()));
    for (std::size_t i = 0; i < clientes_.size(); ++i) {
        const correo::ClienteDelReporte& c = clientes_[i];
        const correo::CorreosCliente correos = correos_.value(c.clave);
        const int fila = int(i);
        QTableWidgetItem* clave = CeldaFija(c.clave);
        clave->setData(Qt::UserRole, qulonglong(i));
        if (correos.Tiene()) {
            clave->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            clave->setCheckState(antes.value(c.clave, true) ? Qt::Checked : Qt::Unchecked);
        }
        lista_->setItem(fila, ColCliente, clave);
        lista_->setItem(fila, ColNombre, CeldaFija(c.nombre));
        QTableWidgetItem* correo = CeldaFija(TextoCorreos(correos));
        if (!correos.Tiene())
            correo->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        lista_->setItem(fila, ColCorreo, correo);
        lista_->setItem(fila, ColSaldo, CeldaFija(FormateaImporte(c.saldo), Qt::AlignRight));
        lista_->setItem(fila, ColAntiguedad,
                        CeldaFija(c.tramo.isEmpty() ? QString()
                                                    : c.tramo + QStringLiteral(": ") +
                                                          FormateaImporte(c.importeTramo)));
    }
    lista_->resizeColumnsToContents();
    Filtra();
}

void DialogoEnvio::Filtra() {
    for (int fila = 0; fila < lista_->rowCount(); ++fila) {
        const auto i = lista_->item(fila, ColCliente)->data(Qt::UserRole).toULongLong();
        lista_->setRowHidden(fila, soloConSaldo_->isChecked() && !ConSaldo(clientes_[i].saldo));
    }
    CuentaMarcados();
}

void DialogoEnvio::CuentaMarcados() {
    const std::size_t n = Marcados().size();
    cuenta_->setText(n == 1
                         ? QStringLiteral("Se enviará 1 estado de cuenta.")
                         : QStringLiteral("Se enviarán %1 estados de cuenta.").arg(TextoCuenta(n)));
}

std::vector<std::size_t> DialogoEnvio::Marcados() const {
    std::vector<std::size_t> marcados;
    for (int fila = 0; fila < lista_->rowCount(); ++fila) {
        const QTableWidgetItem* item = lista_->item(fila, ColCliente);
        if (!lista_->isRowHidden(fila) && (item->flags() & Qt::ItemIsUserCheckable) &&
            item->checkState() == Qt::Checked)
            marcados.push_back(item->data(Qt::UserRole).toULongLong());
    }
    return marcados;
}

QString DialogoEnvio::Carpeta() const {
    return QDir::fromNativeSeparators(carpeta_->text().trimmed());
}

correo::AjustesCorreo DialogoEnvio::Ajustes() const {
    // The server's settings as kept (the settings dialog may have changed them), the texts here.
    correo::AjustesCorreo a = correo::LeeAjustes(opciones_.carpetaAjustes);
    a.asunto = asunto_->text();
    a.cuerpo = cuerpo_->toPlainText();
    a.nombreAdjunto = adjunto_->text();
    return a;
}

correo::OpcionesEnvio DialogoEnvio::Opciones() const {
    correo::OpcionesEnvio o;
    o.periodo = correo::Periodo(reporte_.solicitud.desde, reporte_.solicitud.hasta);
    o.reenviar = reenviar_->isChecked();
    return o;
}

void DialogoEnvio::GuardaTextos() {
    const correo::AjustesCorreo a = Ajustes();
    correo::GuardaAjustes(a, opciones_.carpetaAjustes);
    QSettings s(correo::ArchivoAjustes(opciones_.carpetaAjustes), QSettings::IniFormat);
    s.setValue(kClaveCarpeta, carpeta_->text().trimmed());
}

bool DialogoEnvio::PuedeEnviar(const correo::AjustesCorreo& ajustes) {
    const QString falta = correo::RevisaAjustes(ajustes);
    if (falta.isEmpty())
        return true;
    QMessageBox::warning(
        this, kTitulo,
        QStringLiteral("No se envió nada: %1\n\nRevise «Correo saliente…».").arg(falta));
    return false;
}

correo::Mensaje DialogoEnvio::MensajeDeMuestra() const {
    const std::vector<std::size_t> marcados = Marcados();
    if (marcados.empty())
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("Marque al menos un cliente."));
    const auto estados =
        correo::EstadosPorEnviar({clientes_[marcados.front()]}, Carpeta(), correos_);
    return correo::MensajeDe(Ajustes(), estados.front(), Opciones());
}

void DialogoEnvio::VistaPreviaCorreo() {
    QDialog vista(this);
    vista.setWindowTitle(QStringLiteral("Vista previa del correo"));
    auto* texto = new QPlainTextEdit(TextoMensaje(MensajeDeMuestra()), &vista);
    texto->setObjectName(QStringLiteral("textoCorreo"));
    texto->setReadOnly(true);
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), &vista);
    connect(cerrar, &QPushButton::clicked, &vista, &QDialog::accept);
    auto* columna = new QVBoxLayout(&vista);
    columna->addWidget(texto);
    columna->addWidget(cerrar, 0, Qt::AlignRight);
    vista.resize(640, 480);
    vista.exec();
}

void DialogoEnvio::EnviaUnaPrueba() {
    const std::vector<std::size_t> marcados = Marcados();
    if (marcados.empty())
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("Marque al menos un cliente."));
    GuardaTextos();
    const correo::AjustesCorreo a = Ajustes();
    if (!PuedeEnviar(a))
        return;
    const std::size_t grupo = marcados.front();
    EscribeUnEstado(this, reporte_, grupo, Carpeta());
    const auto estado = correo::EstadosPorEnviar({clientes_[grupo]}, Carpeta(), correos_).front();
    const QString contrasena = correo::LeeContrasena(opciones_.carpetaAjustes);
    correo::Respuesta r;
    QProgressDialog ocupado(QStringLiteral("Enviando la prueba a %1…").arg(a.direccionRemitente),
                            QString(), 0, 0, this);
    ocupado.setWindowModality(Qt::WindowModal);
    ocupado.setMinimumDuration(500);
    EnHilo([&] { r = correo::EnviaPrueba(a, contrasena, estado, Opciones()); });
    ocupado.reset();
    if (r.desenlace == correo::Desenlace::Aceptado)
        QMessageBox::information(this, kTitulo,
                                 QStringLiteral("Se envió la prueba a %1.\n\nEl servidor "
                                                "respondió: %2")
                                     .arg(a.direccionRemitente, r.texto));
    else
        QMessageBox::warning(this, kTitulo,
                             QStringLiteral("No se pudo enviar la prueba a %1:\n\n%2")
                                 .arg(a.direccionRemitente, r.texto));
}

void DialogoEnvio::Envia() {
    const std::vector<std::size_t> marcados = Marcados();
    if (marcados.empty())
        throw ErrorMotor(errores::ErrorSalida, QStringLiteral("Marque al menos un cliente."));
    // Those shown without an address go in the log and the summary as "sin correo".
    std::vector<std::size_t> enviar;
    for (int fila = 0; fila < lista_->rowCount(); ++fila) {
        const QTableWidgetItem* item = lista_->item(fila, ColCliente);
        const std::size_t i = item->data(Qt::UserRole).toULongLong();
        if (!lista_->isRowHidden(fila) &&
            (!(item->flags() & Qt::ItemIsUserCheckable) || item->checkState() == Qt::Checked))
            enviar.push_back(i);
    }
    Corre(marcados, enviar, false);
}

void DialogoEnvio::ReintentaFallidos() {
    const QSet<QString> fallidos = correo::FallidosDeLaUltima(correo::Bitacora(Carpeta()).Lee());
    std::vector<std::size_t> otraVez;
    for (std::size_t i = 0; i < clientes_.size(); ++i) {
        if (fallidos.contains(clientes_[i].clave))
            otraVez.push_back(i);
    }
    if (otraVez.empty()) {
        QMessageBox::information(this, kTitulo,
                                 QStringLiteral("No hay envíos fallidos de este reporte en «%1».")
                                     .arg(QDir::toNativeSeparators(Carpeta())));
        return;
    }
    Corre(otraVez, otraVez, true);
}

void DialogoEnvio::Corre(std::vector<std::size_t> aEscribir, std::vector<std::size_t> aEnviar,
                         bool soloFallidos) {
    GuardaTextos();
    PedidoEnvio pedido;
    pedido.ajustes = Ajustes();
    if (!PuedeEnviar(pedido.ajustes))
        return;
    pedido.contrasena = correo::LeeContrasena(opciones_.carpetaAjustes);
    pedido.carpeta = Carpeta();
    pedido.opciones = Opciones();
    pedido.opciones.soloFallidos = soloFallidos;
    pedido.aEscribir = std::move(aEscribir);
    std::vector<correo::ClienteDelReporte> clientes;
    for (const std::size_t i : aEnviar)
        clientes.push_back(clientes_[i]);
    pedido.estados = correo::EstadosPorEnviar(clientes, pedido.carpeta, correos_);
    resumen_ =
        EnviaConAvance(this, reporte_, pedido, [this](std::size_t hechos, std::size_t total) {
            emit Avanzo(hechos, total);
        });
    if (resumen_.cancelado &&
        resumen_.enviados + resumen_.fallidos + resumen_.sinCorreo + resumen_.sinIntentar == 0) {
        QMessageBox::information(this, kTitulo,
                                 QStringLiteral("Envío cancelado antes de enviar nada."));
        return;
    }
    const QString texto = TextoResumen(resumen_, correo::Bitacora(pedido.carpeta).archivo());
    if (resumen_.fallidos + resumen_.sinIntentar > 0 || !resumen_.falla.isEmpty())
        QMessageBox::warning(this, kTitulo, texto);
    else
        QMessageBox::information(this, kTitulo, texto);
}

void DialogoEnvio::AbreCorreos() {
    const QString archivo = correo::ArchivoCorreos(opciones_.carpetaAjustes);
    if (!QFile::exists(archivo)) {
        QDir().mkpath(QFileInfo(archivo).absolutePath());
        QFile nuevo(archivo);
        // Titles a spreadsheet shows, in the layout the program reads.
        if (!nuevo.open(QIODevice::WriteOnly) ||
            nuevo.write("\xEF\xBB\xBF"
                        "Clave,Correos,No enviar\r\n") < 0 ||
            !nuevo.flush())
            throw ErrorMotor(errores::ErrorSalida,
                             QStringLiteral("No se pudo crear «%1»: %2")
                                 .arg(QDir::toNativeSeparators(archivo), nuevo.errorString()));
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(archivo)))
        QMessageBox::information(
            this, kTitulo,
            QStringLiteral("No hay un programa para abrir «%1»; ábralo con una hoja de cálculo o "
                           "un editor de texto.")
                .arg(QDir::toNativeSeparators(archivo)));
}

void DialogoEnvio::done(int resultado) {
    // The texts and the folder are kept for next time.
    Intenta([this] { GuardaTextos(); });
    QDialog::done(resultado);
}

void DialogoEnvio::Intenta(const std::function<void()>& accion) {
    try {
        accion();
    } catch (...) {
        QMessageBox::critical(this, kTitulo, comun::ErrorEnCurso().texto());
    }
}

} // namespace motor
