#include "app/MensajesVentana.h"

#include <QMessageBox>

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

} // namespace

void MensajesVentana::Muestra(const qm::Mensaje& mensaje) {
    QString texto = mensaje.texto;
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(QChar(13), QChar(10));
    QMessageBox caja(IconoDe(mensaje.icono), mensaje.titulo, texto, QMessageBox::Ok, ventana_);
    caja.exec();
}
