#include "mail/Encabezados.h"

#include <QLocale>
#include <QUuid>

namespace correo::encabezados {

namespace {

bool EsAsciiVisible(const QString& texto) {
    for (const QChar c : texto)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// Up to n bytes of UTF-8 from position i, ending on a character's boundary.
QByteArray Trozo(const QByteArray& utf8, qsizetype& i, qsizetype n) {
    qsizetype fin = std::min(i + n, utf8.size());
    while (fin < utf8.size() && fin > i && (uchar(utf8[fin]) & 0xC0) == 0x80)
        --fin;
    const QByteArray t = utf8.mid(i, fin - i);
    i = fin;
    return t;
}

} // namespace

QString SinControles(const QString& texto) {
    QString t = texto;
    for (QChar& c : t)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return t;
}

QByteArray Texto(const QString& texto) {
    const QString limpio = SinControles(texto);
    if (EsAsciiVisible(limpio) && !limpio.contains(QStringLiteral("=?")))
        return limpio.toLatin1();
    // 45 bytes make 60 base64 characters: with "=?UTF-8?B?" and "?=", 72 of the 75 allowed.
    const QByteArray utf8 = limpio.toUtf8();
    QByteArray r;
    for (qsizetype i = 0; i < utf8.size();) {
        if (!r.isEmpty())
            r += "\r\n ";
        r += "=?UTF-8?B?" + Trozo(utf8, i, 45).toBase64() + "?=";
    }
    return r;
}

QByteArray Direccion(const QString& nombre, const QString& direccion) {
    const QString n = SinControles(nombre).trimmed();
    const QByteArray d = '<' + direccion.toLatin1() + '>';
    if (n.isEmpty())
        return direccion.toLatin1();
    if (!EsAsciiVisible(n) || n.contains(QStringLiteral("=?")))
        return Texto(n) + ' ' + d;
    QByteArray q = n.toLatin1();
    q.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + q + "\" " + d;
}

QByteArray Disposicion(const QString& nombreArchivo) {
    const QString n = SinControles(nombreArchivo);
    QByteArray ascii;
    for (const QChar c : n)
        ascii += (c.unicode() >= 0x20 && c.unicode() < 0x7f) ? char(c.unicode()) : '_';
    ascii.replace('\\', "\\\\").replace('"', "\\\"");
    const QByteArray r = "filename=\"" + ascii + '"';
    if (EsAsciiVisible(n))
        return "attachment; " + r;
    // RFC 2231 attr-char stays, every other byte is %XX. The full name first: readers that
    // know both take it, the others the plain one after it.
    return "attachment; filename*=UTF-8''" + n.toUtf8().toPercentEncoding("!#$&+^`|") + "; " + r;
}

QByteArray Fecha(const QDateTime& cuando) {
    const int segundos = cuando.offsetFromUtc();
    const int minutos = std::abs(segundos) / 60;
    const QString zona = QStringLiteral("%1%2%3")
                             .arg(segundos < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(minutos / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutos % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(cuando, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zona)
        .toLatin1();
}

QByteArray IdMensaje(const QString& remitente) {
    QString dominio = remitente.section(QLatin1Char('@'), -1);
    if (dominio.isEmpty() || dominio == remitente)
        dominio = QStringLiteral("quiltaro.invalid");
    return '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '.' +
           QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '@' + dominio.toLatin1() + '>';
}

} // namespace correo::encabezados
