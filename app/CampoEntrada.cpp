#include "app/CampoEntrada.h"

#include <QFocusEvent>
#include <QKeyEvent>

CampoEntrada::CampoEntrada(QWidget* padre) : QLineEdit(padre) {}

void CampoEntrada::focusInEvent(QFocusEvent* evento) {
    QLineEdit::focusInEvent(evento);
    if (eventos_.entra)
        eventos_.entra(evento->reason());
}

void CampoEntrada::focusOutEvent(QFocusEvent* evento) {
    if (eventos_.sale)
        eventos_.sale(evento->reason());
    QLineEdit::focusOutEvent(evento);
}

void CampoEntrada::keyPressEvent(QKeyEvent* evento) {
    int tecla = evento->key();
    if (eventos_.KeyDown)
        eventos_.KeyDown(tecla);
    if (tecla == 0) {
        evento->accept();
        return;
    }

    QString texto = evento->text();
    if (texto.size() == 1 && eventos_.KeyPress) {
        int caracter = texto.at(0).unicode();
        eventos_.KeyPress(caracter);
        if (caracter == 0) {
            evento->accept();
            return;
        } else if (caracter != texto.at(0).unicode()) {
            texto = QString(QChar(caracter));
        }
    }

    if (tecla == evento->key() && texto == evento->text()) {
        QLineEdit::keyPressEvent(evento);
        return;
    }
    QKeyEvent cambiado(evento->type(), tecla, evento->modifiers(), texto, evento->isAutoRepeat(),
                       static_cast<quint16>(evento->count()));
    QLineEdit::keyPressEvent(&cambiado);
    evento->setAccepted(cambiado.isAccepted());
}
