#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <new>
#include <utility>

namespace comun {

// The one failure of the system: a number and a description, like the platform errors the
// program was written against (MySQL's own numbers, file errors, the report engine's numbers).
// The first failure ends the whole operation, so it is thrown. The host library knows it as
// qm::Error and the report engine as motor::ErrorMotor; it is one type.
class Error : public std::exception {
public:
    Error(long numero, QString descripcion)
        : numero_(numero), descripcion_(std::move(descripcion)), utf8_(texto().toUtf8()) {}

    long numero() const noexcept { return numero_; }
    const QString& descripcion() const noexcept { return descripcion_; }
    const char* what() const noexcept override { return utf8_.constData(); }

    // "Error no. N: description", as every message box of the program shows it.
    QString texto() const {
        return QStringLiteral("Error no. %1: %2").arg(QString::number(numero_), descripcion_);
    }

private:
    long numero_;
    QString descripcion_;
    QByteArray utf8_;
};

// Numbers of the platform's own errors that this program raises itself.
namespace errores {
inline constexpr long ArgumentoInvalido = 5;     // invalid procedure call or argument
inline constexpr long Desbordamiento = 6;        // overflow
inline constexpr long SinMemoria = 7;            // out of memory
inline constexpr long SubindiceFueraDeRango = 9; // subscript out of range
inline constexpr long ErrorInterno = 51;         // internal error
inline constexpr long ArchivoNoEncontrado = 53;  // file not found
inline constexpr long PermisoDenegado = 70;      // permission denied
inline constexpr long AccesoArchivo = 75;        // path/file access error
inline constexpr long ObjetoNoCreado = 429;      // component cannot create object
inline constexpr long ObjetoCerrado = 3704;      // operation not allowed when the object is closed
inline constexpr long FinDeFilas = 3021;         // no current record
inline constexpr long CampoNoEncontrado = 3265;  // item not found in the collection
inline constexpr long ConfiguracionOdbc = 7700;  // an ODBC data source could not be written
} // namespace errores

// The exception being handled, as the error the user is shown: our own as it is, anything
// else as an internal error. Call it only inside a catch block.
inline Error ErrorEnCurso() {
    try {
        throw;
    } catch (const Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return Error(errores::SinMemoria, QStringLiteral("Memoria insuficiente"));
    } catch (const std::exception& e) {
        return Error(errores::ErrorInterno,
                     QStringLiteral("Error interno: ") + QString::fromUtf8(e.what()));
    } catch (...) {
        return Error(errores::ErrorInterno, QStringLiteral("Error interno"));
    }
}

} // namespace comun
