#include "app/Etiqueta.h"

Etiqueta::Etiqueta(QWidget* padre) : QLabel(padre) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
}

void Etiqueta::PonCaption(const QString& caption) {
    caption_ = caption;
    QString mostrado = caption;
    mostrado.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    mostrado.replace(QChar(13), QChar(10));
    setText(mostrado);
}
