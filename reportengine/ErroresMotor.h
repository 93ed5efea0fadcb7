#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <utility>

namespace motor {

// A failure of the report engine: its own number and a description. The engine is a platform
// piece, so it has its own type; whoever drives it shows it as its own errors. All inline, so
// that the runner, which only knows the engine's interface, needs none of its code.
class ErrorMotor : public std::exception {
public:
    ErrorMotor(long numero, QString descripcion)
        : numero_(numero), descripcion_(std::move(descripcion)), utf8_(texto().toUtf8()) {}

    long numero() const noexcept { return numero_; }
    const QString& descripcion() const noexcept { return descripcion_; }
    const char* what() const noexcept override { return utf8_.constData(); }

    // "Error no. N: description".
    QString texto() const {
        return QStringLiteral("Error no. %1: %2").arg(QString::number(numero_), descripcion_);
    }

private:
    long numero_;
    QString descripcion_;
    QByteArray utf8_;
};

// The engine's failure numbers.
namespace errores {
inline constexpr long SinPlantilla = 20500;          // no template path, or the file is missing
inline constexpr long PlantillaDanada = 20501;       // the file is not a valid template
inline constexpr long UbicacionFueraDeRango = 20502; // a location for a table the template lacks
inline constexpr long SinFuenteDatos = 20503;        // data source unknown or server unreachable
inline constexpr long AccesoNegado = 20504;          // the server refused the login
inline constexpr long FaltaTablaOColumna = 20505;    // a table or column is not there
inline constexpr long ErrorLectura = 20506;          // any other failure while reading the data
inline constexpr long ErrorSalida = 20507;           // the PDF, printer or export file failed
inline constexpr long ValorNoValido = 20508;         // a property value the engine cannot use
inline constexpr long SinUbicacion = 20509;          // a table of the template got no location
inline constexpr long Cancelado = 20510;             // the user stopped the work; nothing was replaced
} // namespace errores

} // namespace motor
