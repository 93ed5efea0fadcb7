#include "libQMCM.h"

#include "Ini.h"

namespace qm {

QString libQMCM::FechaHoy() const {
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

QString libQMCM::FechaSQL(const QDate& fecha) const {
    return fecha.toString(QStringLiteral("yyyy-MM-dd"));
}

QString libQMCM::LeeIni(const QString& seccion, const QString& clave,
                        const QString& archivo) const {
    return ini::Lee(archivo, seccion, clave);
}

void libQMCM::EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                         const QString& archivo) const {
    ini::Escribe(archivo, seccion, clave, valor);
}

double libQMCM::qmVal(const QVariant& valor) const {
    switch (valor.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return valor.toDouble();
    default:
        break;
    }
    const QString texto = valor.toString();
    qsizetype i = 0;
    const auto digitos = [&] {
        const qsizetype desde = i;
        while (i < texto.size() && texto[i] >= u'0' && texto[i] <= u'9')
            ++i;
        return i - desde;
    };
    while (i < texto.size() && (texto[i] == u' ' || texto[i] == u'\t'))
        ++i;
    const qsizetype inicio = i;
    if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-'))
        ++i;
    qsizetype cifras = digitos();
    if (i < texto.size() && texto[i] == u'.') {
        ++i;
        cifras += digitos();
    }
    if (cifras == 0)
        return 0;
    qsizetype fin = i;
    // An exponent counts only when digits follow it.
    if (i < texto.size() && (texto[i] == u'e' || texto[i] == u'E')) {
        ++i;
        if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-'))
            ++i;
        if (digitos() > 0)
            fin = i;
    }
    bool ok = false;
    const double numero = texto.mid(inicio, fin - inicio).toDouble(&ok);
    return ok ? numero : 0;
}

std::optional<QDate> LeeFecha(const QString& texto) {
    const QDate fecha = QDate::fromString(texto, QStringLiteral("dd/MM/yyyy"));
    if (!fecha.isValid())
        return std::nullopt;
    return fecha;
}

} // namespace qm
