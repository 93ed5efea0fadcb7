#include "mail/Csv.h"

#include <QString>

namespace correo {

namespace {

// One logical line (a quoted field may hold line ends) from position i on.
QString Linea(const QString& texto, qsizetype& i) {
    QString linea;
    bool comillas = false;
    for (; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == QLatin1Char('"'))
            comillas = !comillas;
        if (!comillas && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (c == QLatin1Char('\r') && i + 1 < texto.size() && texto[i + 1] == QLatin1Char('\n'))
                ++i;
            ++i;
            break;
        }
        linea += c;
    }
    return linea;
}

QStringList Campos(const QString& linea) {
    bool hayComa = false;
    bool comillas = false;
    for (const QChar c : linea) {
        if (c == QLatin1Char('"'))
            comillas = !comillas;
        else if (!comillas && c == QLatin1Char(','))
            hayComa = true;
    }
    const QChar separador = hayComa ? QLatin1Char(',') : QLatin1Char(';');
    QStringList campos;
    QString campo;
    comillas = false;
    for (qsizetype i = 0; i < linea.size(); ++i) {
        const QChar c = linea[i];
        if (comillas) {
            if (c == QLatin1Char('"') && i + 1 < linea.size() && linea[i + 1] == QLatin1Char('"')) {
                campo += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                comillas = false;
            } else {
                campo += c;
            }
        } else if (c == QLatin1Char('"')) {
            comillas = true;
        } else if (c == separador) {
            campos << campo;
            campo.clear();
        } else {
            campo += c;
        }
    }
    campos << campo;
    return campos;
}

} // namespace

std::vector<QStringList> LeeCsv(const QByteArray& bytes) {
    QString texto = QString::fromUtf8(bytes);
    if (texto.startsWith(QChar(0xFEFF)))
        texto.remove(0, 1);
    std::vector<QStringList> filas;
    for (qsizetype i = 0; i < texto.size();) {
        const QString linea = Linea(texto, i);
        if (!linea.trimmed().isEmpty())
            filas.push_back(Campos(linea));
    }
    return filas;
}

} // namespace correo
