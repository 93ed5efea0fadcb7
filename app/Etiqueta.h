#pragma once

#include <QLabel>
#include <QString>

// A label whose Caption is kept exactly as given. Captions break lines with a lone carriage
// return, which a Qt label does not break on, so the shown text has it turned into a line feed.
class Etiqueta final : public QLabel {
    Q_OBJECT
public:
    explicit Etiqueta(QWidget* padre);

    const QString& Caption() const { return caption_; }
    void PonCaption(const QString& caption);

private:
    QString caption_;
};
