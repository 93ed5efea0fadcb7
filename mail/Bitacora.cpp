#include "mail/Bitacora.h"

#include "mail/Csv.h"
#include "mail/ErroresCorreo.h"
#include "reportengine/Exportacion.h"

#include <QFile>
#include <QStringList>
#include <unistd.h>

namespace correo {

namespace {

const QString kFormato = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QStringList Titulos() {
    return {QStringLiteral("Fecha y hora"),
            QStringLiteral("Corrida"),
            QStringLiteral("Clave"),
            QStringLiteral("Nombre"),
            QStringLiteral("Dirección"),
            QStringLiteral("Archivo"),
            QStringLiteral("Periodo"),
            QStringLiteral("Resultado"),
            QStringLiteral("Respuesta del servidor")};
}

[[noreturn]] void Falla(const QString& verbo, const QFile& f) {
    throw motor::ErrorMotor(errores::Bitacora, QStringLiteral("No se pudo %1 el registro de envíos "
                                                              "%2: %3")
                                                   .arg(verbo, f.fileName(), f.errorString()));
}

QByteArray Linea(const QStringList& campos) {
    QStringList c;
    for (const QString& campo : campos)
        c << motor::CampoCsv(campo);
    return c.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

Bitacora::Bitacora(const QString& carpeta) : archivo_(carpeta + QStringLiteral("/Envíos.csv")) {}

namespace {

// Appends the bytes (after the titles when the file is new) and puts them on disk.
void Agrega(const QString& archivo, const QByteArray& fila) {
    QFile f(archivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        Falla(QStringLiteral("abrir"), f);
    const QByteArray bytes = f.size() == 0 ? "\xEF\xBB\xBF" + Linea(Titulos()) + fila : fila;
    if (f.write(bytes) != bytes.size() || !f.flush() || ::fsync(f.handle()) != 0)
        Falla(QStringLiteral("escribir"), f);
}

} // namespace

void Bitacora::Abre() const {
    Agrega(archivo_, {});
}

void Bitacora::Anota(const Asiento& a) const {
    Agrega(archivo_, Linea({a.cuando.toString(kFormato), a.corrida, a.clave, a.nombre, a.direccion,
                            a.archivo, a.periodo, a.resultado, a.respuesta}));
}

std::vector<Asiento> Bitacora::Lee() const {
    std::vector<Asiento> asientos;
    QFile f(archivo_);
    if (!f.exists())
        return asientos;
    if (!f.open(QIODevice::ReadOnly))
        Falla(QStringLiteral("leer"), f);
    const std::vector<QStringList> filas = LeeCsv(f.readAll());
    for (std::size_t i = 1; i < filas.size(); ++i) {
        const QStringList& c = filas[i];
        Asiento a;
        a.cuando = QDateTime::fromString(c.value(0), kFormato);
        a.corrida = c.value(1);
        a.clave = c.value(2);
        a.nombre = c.value(3);
        a.direccion = c.value(4);
        a.archivo = c.value(5);
        a.periodo = c.value(6);
        a.resultado = c.value(7);
        a.respuesta = c.value(8);
        asientos.push_back(a);
    }
    return asientos;
}

QSet<QString> EnviadosDelPeriodo(const std::vector<Asiento>& asientos, const QString& periodo) {
    QSet<QString> claves;
    for (const Asiento& a : asientos)
        if (a.periodo == periodo && a.resultado == resultados::Enviado)
            claves.insert(a.clave);
    return claves;
}

QSet<QString> FallidosDeLaUltima(const std::vector<Asiento>& asientos) {
    QString ultima;
    for (const Asiento& a : asientos)
        ultima = std::max(ultima, a.corrida);
    QSet<QString> claves;
    for (const Asiento& a : asientos)
        if (a.corrida == ultima &&
            (a.resultado == resultados::Rechazado || a.resultado == resultados::NoEnviado))
            claves.insert(a.clave);
    return claves;
}

} // namespace correo
