#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <vector>

namespace correo {

// The results a log row may give.
namespace resultados {
inline const QString Enviado = QStringLiteral("enviado");
inline const QString Rechazado = QStringLiteral("rechazado");  // the server refused it for good
inline const QString SinCorreo = QStringLiteral("sin correo"); // no address to send to
inline const QString NoEnviado = QStringLiteral("no enviado"); // not sent; worth a retry
} // namespace resultados

// One row of the send log.
struct Asiento {
    QDateTime cuando;
    // Its run: when the run began, in UTC so that no daylight-saving change reorders runs.
    QString corrida;
    QString clave;
    QString nombre;
    QString direccion; // the addresses it went to, separated by ";"
    QString archivo;   // the statement's file name
    QString periodo;
    QString resultado;
    QString respuesta; // the server's answer, or why it did not go
};

// The send log of a statements folder, Envíos.csv: CSV (commas, CRLF, UTF-8 with a byte-order
// mark, as the other exports), one row appended and flushed to disk as each customer ends, so
// that the log says what happened even when the run is cut short.
class Bitacora {
public:
    explicit Bitacora(const QString& carpeta);
    const QString& archivo() const { return archivo_; }

    // Makes sure rows can be appended (the file and its titles are made when missing), before
    // anything is sent. Fails with errores::Bitacora naming the file.
    void Abre() const;
    // Fails with errores::Bitacora naming the file.
    void Anota(const Asiento& asiento) const;
    // Every row, oldest first; none when there is no log. Fails with errores::Bitacora.
    std::vector<Asiento> Lee() const;

private:
    QString archivo_;
};

// Codes of the customers whose statement of the period has gone (a row "enviado").
QSet<QString> EnviadosDelPeriodo(const std::vector<Asiento>& asientos, const QString& periodo);

// Codes of the customers that failed in the last run ("rechazado" or "no enviado") and did not
// go since.
QSet<QString> FallidosDeLaUltima(const std::vector<Asiento>& asientos);

} // namespace correo
