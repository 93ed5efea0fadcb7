// Statements sent by mail from the preview's dialog, on real widgets, to the local mail server
// (STARTTLS and AUTH), read back from its Maildir and compared with the send log.
#include "ApoyoMotor.h"
#include "mail/Bitacora.h"
#include "mail/Contrasena.h"
#include "reportview/DialogoEnvio.h"
#include "reportview/MotorReporte.h"
#include "reportview/VistaPrevia.h"
#include "tests/mail/ServidorCorreo.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace {

namespace p = motor::propiedad;

struct Cliente {
    QString clave;
    QString nombre;
    QString direcciones; // as the customer table would give them
    double saldo;        // a sale of this amount, or nothing owed
};

// In the database's order of the codes.
const std::vector<Cliente> kClientes{
    {"C001", "Ferretería Fina", "c001@ejemplo.mx", 120.5},
    {"C002", "Peña / Hijos", "c002@ejemplo.mx; otra.c002@ejemplo.mx", 80},
    {"C003", "Sin Deuda", "c003@ejemplo.mx", 0},
    {"C004", "Sin Dirección", "", 40},
    {"C005", "Mal Escrita", "no es correo", 15},
    {"C006", "Luz", "c006@ejemplo.mx", 9.99},
};

// Once a modal window of that kind is shown, runs accion on it from the loop it runs.
template <class T> void CuandoAparezca(std::function<void(T*)> accion) {
    auto* mira = new QTimer(qApp);
    mira->setInterval(10);
    QObject::connect(mira, &QTimer::timeout, mira, [mira, accion] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        mira->stop();
        mira->deleteLater();
        accion(modal);
    });
    mira->start();
}

// Clicks the button of the dialog with that text; the message box it opens is read and closed.
QString ClicConAviso(motor::DialogoEnvio& d, const QString& boton) {
    QString aviso;
    CuandoAparezca<QMessageBox>([&](QMessageBox* caja) {
        aviso = caja->text();
        caja->accept();
    });
    for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == boton)
            b->click();
    return aviso;
}

class EnvioVentana : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        std::vector<prueba::Movimiento> filas;
        for (const Cliente& c : kClientes) {
            datos_.Cliente(c.clave, c.nombre);
            filas.push_back({c.clave, "2026-11-10", "10:00:00", "Factura", "F-" + c.clave, c.saldo,
                             0, 0, 0, c.saldo});
        }
        datos_.Movimientos(filas);
        ajustes_ = dir_.filePath(QStringLiteral("ajustes"));
        correo::AjustesCorreo a = correo::AjustesPorOmision();
        a.servidor = QStringLiteral("127.0.0.1");
        a.puerto = servidor_.puerto();
        a.usuario = prueba::kUsuarioCorreo;
        a.nombreRemitente = QStringLiteral("Cobranza");
        a.direccionRemitente = QStringLiteral("cobranza@tienda.mx");
        a.archivoCertificado = prueba::CertificadosDePrueba().autoridad;
        correo::GuardaAjustes(a, ajustes_);
        correo::GuardaContrasena(prueba::kClaveCorreo, ajustes_);

        motor::OpcionesDialogoEnvio envio;
        envio.carpetaAjustes = ajustes_;
        envio.correos = [](const QStringList& claves) {
            QHash<QString, correo::CorreosCliente> correos;
            for (const Cliente& c : kClientes)
                if (claves.contains(c.clave))
                    correos.insert(c.clave, correo::DireccionesDe(c.direcciones, nullptr));
            return correos;
        };
        m_.PonOpcionesEnvio(envio);
        m_.Propiedad(p::ArchivoReporte, prueba::EscribeMovimientos(dir_.path()));
        m_.Propiedad(p::Conexion, datos_.textoConexion());
        m_.PropiedadIndexada(p::Ubicacion, 0, datos_.base() + QStringLiteral(".tmpravesta"));
        m_.PropiedadIndexada(p::Ubicacion, 1, datos_.base() + QStringLiteral(".clientes"));
        m_.PonSolicitud({QDate(2026, 11, 1), QDate(2026, 11, 30), QString()});
        m_.Propiedad(p::Destino, 0);
        m_.Propiedad(p::Accion, 1);
        ASSERT_NE(m_.ultimaVista(), nullptr);
        dialogo_ = std::make_unique<motor::DialogoEnvio>(
            m_.ultimaVista()->reporte(), m_.ultimaVista()->opcionesEnvio(), m_.ultimaVista());
        dialogo_->findChild<QLineEdit*>(QStringLiteral("carpeta"))->setText(Carpeta());
        dialogo_->show();
    }

    QString Carpeta() const { return dir_.filePath(QStringLiteral("estados")); }
    QTableWidget* Lista() const { return dialogo_->findChild<QTableWidget*>("lista"); }
    int Fila(const QString& clave) const {
        for (int f = 0; f < Lista()->rowCount(); ++f)
            if (Lista()->item(f, 0)->text() == clave)
                return f;
        return -1;
    }
    // How many messages each customer got, by the first address of each.
    std::map<QString, int> Recibidos() const {
        std::map<QString, int> n;
        for (const auto& v : servidor_.Mensajes()) {
            const QString a = v.toObject()["sobre"].toArray().first().toString();
            for (const Cliente& c : kClientes)
                if (c.direcciones.startsWith(a))
                    ++n[c.clave];
        }
        return n;
    }
    std::map<QString, int> EnLaBitacora(const QString& resultado) const {
        std::map<QString, int> n;
        for (const correo::Asiento& a : correo::Bitacora(Carpeta()).Lee())
            if (a.resultado == resultado)
                ++n[a.clave];
        return n;
    }

    prueba::ServidorCorreo servidor_;
    QTemporaryDir dir_;
    QString ajustes_;
    prueba::DatosReporte datos_;
    motor::MotorReporte m_;
    std::unique_ptr<motor::DialogoEnvio> dialogo_;
};

struct Caso {
    const char* nombre;
    bool soloConSaldo;
    QStringList desmarca;
    std::size_t cancelaTras; // customers after which Cancelar is clicked; 0 never
    std::map<QString, int> recibidos;
    std::map<QString, int> noEnviados; // after the first run
};

void PrintTo(const Caso& c, std::ostream* os) {
    *os << c.nombre;
}

class EnvioCasos : public EnvioVentana, public ::testing::WithParamInterface<Caso> {};

TEST_P(EnvioCasos, CadaMarcadoRecibeSuEstadoUnaVezYLaBitacoraLoDice) {
    const Caso& caso = GetParam();
    // No address, or none that is well formed: listed, never tickable.
    for (const char* clave : {"C004", "C005"}) {
        const QTableWidgetItem* item = Lista()->item(Fila(clave), 0);
        EXPECT_FALSE(item->flags() & Qt::ItemIsUserCheckable) << clave;
        EXPECT_TRUE(Lista()->item(Fila(clave), 2)->text().startsWith("Sin correo")) << clave;
    }
    EXPECT_TRUE(Lista()->item(Fila("C005"), 2)->text().contains("no es correo"));
    dialogo_->findChild<QCheckBox*>("soloConSaldo")->setChecked(caso.soloConSaldo);
    EXPECT_EQ(Lista()->isRowHidden(Fila("C003")), caso.soloConSaldo);
    for (const QString& clave : caso.desmarca)
        Lista()->item(Fila(clave), 0)->setCheckState(Qt::Unchecked);

    QMetaObject::Connection cancela;
    if (caso.cancelaTras > 0)
        cancela = QObject::connect(dialogo_.get(), &motor::DialogoEnvio::Avanzo, dialogo_.get(),
                                   [&](std::size_t hechos, std::size_t) {
                                       if (hechos != caso.cancelaTras)
                                           return;
                                       auto* progreso = dialogo_->findChild<QProgressDialog*>();
                                       // The ones without an address count too.
                                       EXPECT_EQ(progreso->labelText(), "Enviado 1 de 5");
                                       progreso->findChild<QPushButton*>()->click();
                                   });
    const QString aviso = ClicConAviso(*dialogo_, "Enviar");
    EXPECT_TRUE(aviso.contains("Enviados:")) << aviso.toStdString();
    const correo::Resumen primero = dialogo_->ultimoResumen();
    QObject::disconnect(cancela);
    // The Maildir holds exactly what the log says went.
    EXPECT_EQ(Recibidos(), EnLaBitacora(correo::resultados::Enviado));
    EXPECT_EQ(EnLaBitacora(correo::resultados::NoEnviado), caso.noEnviados);
    EXPECT_EQ(primero.cancelado, caso.cancelaTras > 0);
    EXPECT_EQ(primero.sinIntentar, caso.noEnviados.size());
    if (caso.cancelaTras > 0) {
        EXPECT_EQ(primero.enviados, caso.cancelaTras);
        // The retry sends only those left, once.
        ClicConAviso(*dialogo_, "Reintentar los que fallaron");
        EXPECT_EQ(dialogo_->ultimoResumen().enviados + primero.enviados, caso.recibidos.size());
        EXPECT_FALSE(dialogo_->ultimoResumen().cancelado);
    }
    EXPECT_EQ(Recibidos(), caso.recibidos);
    EXPECT_EQ(Recibidos(), EnLaBitacora(correo::resultados::Enviado));
    EXPECT_EQ(EnLaBitacora(correo::resultados::SinCorreo),
              (std::map<QString, int>{{"C004", 1}, {"C005", 1}}));

    // Sending again sends nothing twice: every one of the period had gone.
    ClicConAviso(*dialogo_, "Enviar");
    EXPECT_EQ(dialogo_->ultimoResumen().enviados, 0u);
    EXPECT_EQ(dialogo_->ultimoResumen().yaEnviados, caso.recibidos.size());
    EXPECT_EQ(Recibidos(), caso.recibidos);
    // Unless asked.
    dialogo_->findChild<QCheckBox*>("reenviar")->setChecked(true);
    ClicConAviso(*dialogo_, "Enviar");
    EXPECT_EQ(dialogo_->ultimoResumen().enviados, caso.recibidos.size());
    EXPECT_EQ(Recibidos(), EnLaBitacora(correo::resultados::Enviado));
}

const std::map<QString, int> kConSaldo{{"C001", 1}, {"C002", 1}, {"C006", 1}};

INSTANTIATE_TEST_SUITE_P(
    Ventana, EnvioCasos,
    ::testing::Values(
        Caso{"solo_con_saldo", true, {}, 0, kConSaldo, {}},
        Caso{"todos", false, {}, 0, {{"C001", 1}, {"C002", 1}, {"C003", 1}, {"C006", 1}}, {}},
        Caso{"uno_desmarcado", true, {"C002"}, 0, {{"C001", 1}, {"C006", 1}}, {}},
        // Those after the first are left "no enviado", the ones without an address too.
        Caso{"cancela_y_reintenta",
             true,
             {},
             1,
             kConSaldo,
             {{"C002", 1}, {"C004", 1}, {"C005", 1}, {"C006", 1}}}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(EnvioVentana, LaVistaPreviaEsElMensajeQueSaleYLaPruebaVaAlRemitente) {
    Lista()->item(Fila("C001"), 0)->setCheckState(Qt::Unchecked);
    dialogo_->findChild<QLineEdit*>("asunto")->setText("Su estado {clave}, {periodo}");
    QString vista;
    CuandoAparezca<QDialog>([&](QDialog* d) {
        vista = d->findChild<QPlainTextEdit*>("textoCorreo")->toPlainText();
        d->accept();
    });
    dialogo_->VistaPreviaCorreo();
    const QString prueba = ClicConAviso(*dialogo_, "Enviar una prueba");
    EXPECT_TRUE(prueba.contains("Se envió la prueba a cobranza@tienda.mx")) << prueba.toStdString();
    ASSERT_EQ(servidor_.Mensajes().size(), 1);
    const QJsonObject aPrueba = servidor_.Mensajes()[0].toObject();
    EXPECT_EQ(aPrueba["sobre"].toArray(), QJsonArray({"cobranza@tienda.mx"}));
    EXPECT_EQ(aPrueba["asunto"].toString(), "[Prueba] Su estado C002, 01/11/2026 al 30/11/2026");

    for (const char* clave : {"C006"})
        Lista()->item(Fila(clave), 0)->setCheckState(Qt::Unchecked);
    ClicConAviso(*dialogo_, "Enviar");
    ASSERT_EQ(servidor_.Mensajes().size(), 2);
    const QJsonObject m = servidor_.Mensajes()[1].toObject();
    EXPECT_EQ(m["sobre"].toArray(), QJsonArray({"c002@ejemplo.mx", "otra.c002@ejemplo.mx"}));
    EXPECT_TRUE(vista.contains("\nAsunto: " + m["asunto"].toString() + "\n"))
        << vista.toStdString();
    EXPECT_TRUE(vista.endsWith("\n\n" + m["cuerpo"].toString().replace("\r\n", "\n")))
        << vista.toStdString();
    const QJsonArray adjuntos = m["adjuntos"].toArray();
    ASSERT_EQ(adjuntos.size(), 1);
    EXPECT_TRUE(vista.contains("\nAdjunto: " + adjuntos[0]["nombre"].toString() + "\n"));
    // The texts are kept for next time.
    EXPECT_EQ(correo::LeeAjustes(ajustes_).asunto, "Su estado {clave}, {periodo}");
}

} // namespace

namespace {

TEST_F(EnvioVentana, AjustesQueNoSirvenSeDicenAntesDeEnviarNada) {
    correo::AjustesCorreo a = correo::LeeAjustes(ajustes_);
    a.servidor.clear();
    correo::GuardaAjustes(a, ajustes_);
    for (const char* boton : {"Enviar", "Enviar una prueba"}) {
        const QString aviso = ClicConAviso(*dialogo_, boton);
        EXPECT_TRUE(aviso.startsWith("No se envió nada: Falta el servidor")) << aviso.toStdString();
    }
    EXPECT_EQ(servidor_.Mensajes().size(), 0);
    EXPECT_FALSE(QFileInfo::exists(correo::Bitacora(Carpeta()).archivo()));
}

} // namespace
