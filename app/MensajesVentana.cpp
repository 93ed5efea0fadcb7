#include "app/MensajesVentana.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconoDe(qm::Icono icono) {
    switch (icono) {
    case qm::Icono::Critico:
        return QMessageBox::Critical;
    case qm::Icono::Exclamacion:
        return QMessageBox::Warning;
    case qm::Icono::Informacion:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The lone carriage returns of the host's texts as line breaks.
QString TextoCaja(QString texto) {
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(QChar(13), QChar(10));
    return texto;
}

} // namespace

void MensajesVentana::Muestra(const qm::Mensaje& mensaje) {
    QMessageBox caja(IconoDe(mensaje.icono), mensaje.titulo, TextoCaja(mensaje.texto),
                     QMessageBox::Ok, ventana_);
    caja.exec();
}

bool MensajesVentana::MuestraConOpcion(const qm::Mensaje& mensaje, const QString& opcion) {
    QMessageBox caja(IconoDe(mensaje.icono), mensaje.titulo, TextoCaja(mensaje.texto),
                     QMessageBox::Ok, ventana_);
    const QPushButton* otra = caja.addButton(opcion, QMessageBox::ActionRole);
    // Enter and Escape keep meaning OK, as in the box with one button.
    caja.setDefaultButton(QMessageBox::Ok);
    caja.setEscapeButton(QMessageBox::Ok);
    caja.exec();
    return caja.clickedButton() == otra;
}
