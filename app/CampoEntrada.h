#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

// An entry field of the main window that hands its focus and key events to the window before
// it acts on them itself. KeyDown gets the key code and KeyPress the character code by
// reference: the field goes on with what they leave, and 0 means the key or character is
// dropped.
class CampoEntrada final : public QLineEdit {
    Q_OBJECT
public:
    struct Eventos {
        std::function<void(Qt::FocusReason)> entra; // after the field took the focus
        std::function<void(Qt::FocusReason)> sale;  // before the field lets the focus go
        std::function<void(int& tecla)> KeyDown;
        std::function<void(int& caracter)> KeyPress;
    };

    explicit CampoEntrada(QWidget* padre);
    void PonEventos(Eventos eventos) { eventos_ = std::move(eventos); }

    // What the user sees: for a masked field, its separators and placeholders included.
    QString Texto() const { return displayText(); }

protected:
    void focusInEvent(QFocusEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;

private:
    Eventos eventos_;
};
