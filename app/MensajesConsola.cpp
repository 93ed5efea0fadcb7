#include "app/MensajesConsola.h"

#include <cstdio>

namespace {

void Escribe(std::FILE* flujo, const QString& linea) {
    const QByteArray bytes = (linea + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), flujo);
    std::fflush(flujo);
}

} // namespace

void MensajesConsola::Muestra(const qm::Mensaje& mensaje) {
    ++mostrados_;
    QString texto = mensaje.texto;
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar(13), QChar(10));
    EscribeError(mensaje.titulo + QStringLiteral(": ") + texto);
}

void EscribeLinea(const QString& linea) {
    Escribe(stdout, linea);
}

void EscribeError(const QString& linea) {
    Escribe(stderr, linea);
}
