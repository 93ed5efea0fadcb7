#include "Utilerias.h"

namespace qm {

namespace {

// The stored form: this prefix, then the UTF-8 bytes mixed with a fixed key, in hexadecimal.
// An encoding that hides a password from a glance at the file; anyone can reverse it, so it
// is no protection.
const QString kPrefijo = QStringLiteral("QMX1:");
const QByteArray kMezcla = QByteArrayLiteral("Quiltaro-Trevanto");

QByteArray Mezcla(QByteArray datos) {
    for (qsizetype i = 0; i < datos.size(); ++i)
        datos[i] = static_cast<char>(datos[i] ^ kMezcla[i % kMezcla.size()]);
    return datos;
}

} // namespace

QString Utilerias::CambXXX(const QString& plantilla, const QVariant& valor) const {
    return QString(plantilla).replace(QStringLiteral("XXX"), valor.toString());
}

// The prefix makes the stored form longer than the plain text, so never equal to it and
// never blank.
QString Utilerias::Encripta(const QString& texto) const {
    return kPrefijo + QString::fromLatin1(Mezcla(texto.toUtf8()).toHex());
}

QString Utilerias::DesEncripta(const QString& texto) const {
    if (!texto.startsWith(kPrefijo))
        return texto;
    const QString hex = texto.mid(kPrefijo.size());
    if (hex.size() % 2 != 0)
        return texto;
    for (const QChar c : hex)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return texto;
    const QByteArray plano = Mezcla(QByteArray::fromHex(hex.toLatin1()));
    const QString resultado = QString::fromUtf8(plano);
    // Bytes that are not UTF-8 mean the text was not ours.
    if (resultado.toUtf8() != plano)
        return texto;
    return resultado;
}

} // namespace qm
