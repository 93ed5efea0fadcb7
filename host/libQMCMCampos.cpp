// The field behaviour of the host library: the one place that touches widgets.

#include "libQMCM.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

namespace qm {

namespace {

bool AceptaTabulador(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled();
}

// Moves the focus from the focused control to the next (or previous) one in tab order,
// within its window.
void MueveFoco(bool siguiente) {
    QWidget* actual = QApplication::focusWidget();
    if (!actual)
        return;
    QWidget* w = actual;
    do {
        w = siguiente ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w->window() == actual->window() && AceptaTabulador(w)) {
            w->setFocus(siguiente ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    } while (w != actual);
}

} // namespace

void libQMCM::Resalta(QObject* campo) const {
    if (auto* linea = qobject_cast<QLineEdit*>(campo))
        linea->selectAll();
}

// Qt's key codes only: the Windows codes 38 and 40 are '&' and '(' here.
void libQMCM::Teclas(int& tecla) const {
    if (tecla == Qt::Key_Down || tecla == Qt::Key_Up) {
        MueveFoco(tecla == Qt::Key_Down);
        tecla = 0;
    }
}

void libQMCM::Enter(int& caracter, const QString& /*modo*/) const {
    if (caracter == 13) {
        MueveFoco(true);
        caracter = 0;
    }
}

} // namespace qm
