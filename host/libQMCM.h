#pragma once

#include "ObjetoQM.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

class QObject;

namespace qm {

// General services of the host library: date texts, INI files, numbers and field behaviour.
class libQMCM final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.libQMCM"); }

    // Input mask of a date field: day, month and year with "_" as placeholder.
    QString MascaraFecha() const { return QStringLiteral("99/99/9999;_"); }
    // Display format of dates.
    QString FormatoFecha() const { return QStringLiteral("dd/mm/yyyy"); }
    // What a date field holds when it holds no date; the mask accepts it.
    QString FechaVacia() const { return QStringLiteral("__/__/____"); }
    // Today's date in the host's date form, dd/MM/yyyy.
    QString FechaHoy() const;
    // The date as text to place inside quotes in SQL: yyyy-MM-dd.
    QString FechaSQL(const QDate& fecha) const;

    // Value of key in section of an INI file (UTF-8 or the Windows code page), without a pair
    // of quotes around it; "" when the file, section or key is absent. Section and key names
    // match without regard to case.
    QString LeeIni(const QString& seccion, const QString& clave, const QString& archivo) const;
    // Stores the value in the file's own encoding, keeping every other byte of the file; the
    // file is replaced atomically, or written in place where its folder takes no new file.
    // Fails with errores::AccesoArchivo naming the file when it cannot be written.
    void EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                    const QString& archivo) const;

    // The leading number of a text after leading blanks, like a classic Val:
    // "3306" -> 3306, " 12ab" -> 12, "abc" and "" -> 0.
    double qmVal(const QVariant& valor) const;

    // Field behaviour (defined apart, the one place that touches widgets).
    // Selects the whole text of the field.
    void Resalta(QObject* campo) const;
    // Down and Up move the focus to the next / previous control and leave 0; other keys pass.
    void Teclas(int& tecla) const;
    // Enter (13) moves the focus to the next control and leaves 0; other characters pass.
    void Enter(int& caracter, const QString& modo) const;
};

// The platform's date test under the host's day-month-year form: strict, so 31/02/2024
// and partly filled texts are not dates.
std::optional<QDate> LeeFecha(const QString& texto);

} // namespace qm
