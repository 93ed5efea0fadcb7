#include "Plantilla.h"

#include "host/Error.h"
#include "reportengine/EscaneoUbicaciones.h"

#include <QFile>
#include <QFileInfo>
#include <limits>
#include <utility>

namespace modRPTs {

namespace {

qm::Error ArgumentoInvalido(const QString& detalle) {
    return qm::Error(qm::errores::ArgumentoInvalido,
                     QStringLiteral("Argumento no válido: ") + detalle);
}

// The whole template, closed again before this returns, whatever happens after.
QByteArray LeeArchivo(const QString& ruta) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(ruta))
            throw qm::Error(qm::errores::ArchivoNoEncontrado,
                            QStringLiteral("No se encontró el archivo: ") + ruta);
        throw qm::Error(
            qm::errores::AccesoArchivo,
            QStringLiteral("No se puede leer el archivo %1: %2").arg(ruta, archivo.errorString()));
    }
    QByteArray datos = archivo.readAll();
    if (archivo.error() != QFileDevice::NoError)
        throw qm::Error(
            qm::errores::AccesoArchivo,
            QStringLiteral("No se puede leer el archivo %1: %2").arg(ruta, archivo.errorString()));
    return datos;
}

qm::Error SinFinDeNombre() {
    return ArgumentoInvalido(QStringLiteral("un registro de ubicación de tabla de la plantilla no "
                                            "tiene fin para el nombre de su tabla"));
}

// "A name" for the DAO driver, "M name" for ODBC.
QString Entrada(const motor::VentanaLeida& tabla) {
    return (tabla.dao ? QStringLiteral("A ") : QStringLiteral("M ")) +
           QString::fromLatin1(tabla.nombre);
}

// Only spaces count as blanks around a rename name.
QString SinBlancos(const QString& texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && texto[inicio] == QLatin1Char(' '))
        ++inicio;
    while (fin > inicio && texto[fin - 1] == QLatin1Char(' '))
        --fin;
    return texto.mid(inicio, fin - inicio);
}

QString DespuesDelPunto(const QString& nombre) {
    const qsizetype punto = nombre.indexOf(QLatin1Char('.'));
    return punto < 0 ? nombre : nombre.mid(punto + 1);
}

} // namespace

std::int16_t LeeTablasReporte(QString& ruta, QStringList& entradas) {
    if (!ruta.toLower().contains(QStringLiteral(".rpt")))
        ruta += QStringLiteral(".rpt");
    const QByteArray datos = LeeArchivo(ruta);

    const motor::ResultadoEscaneo escaneo = motor::EscaneaUbicaciones(datos);
    if (escaneo.falla)
        throw SinFinDeNombre();
    QStringList encontradas;
    for (const motor::VentanaLeida& tabla : escaneo.tablas)
        encontradas.append(Entrada(tabla));
    // Every entry must get a 16-bit table number.
    if (encontradas.size() > std::numeric_limits<std::int16_t>::max())
        throw qm::Error(
            qm::errores::Desbordamiento,
            QStringLiteral("Desbordamiento: %1 tiene más tablas de las que admite un informe")
                .arg(ruta));
    entradas.append(encontradas);
    return static_cast<std::int16_t>(encontradas.size());
}

QString LeeUbicacion(const QByteArray& ventana) {
    const motor::VentanaLeida leida = motor::LeeVentana(ventana);
    switch (leida.estado) {
    case motor::VentanaLeida::Estado::SinDll:
        return {};
    case motor::VentanaLeida::Estado::SinFin:
        throw SinFinDeNombre();
    case motor::VentanaLeida::Estado::Tabla:
        break;
    }
    return Entrada(leida);
}

bool CambiaTabla(QString& nombre, const QString& listaCambios, const QString& base) {
    const QStringList elementos = listaCambios.split(QLatin1Char(';'));
    for (const QString& elemento : elementos) {
        const QString cElemento = elemento.toLower();
        const qsizetype estrella = cElemento.indexOf(QLatin1Char('*'));
        if (estrella < 0)
            throw ArgumentoInvalido(
                QStringLiteral("el elemento de cambio de tabla \"%1\" no tiene \"*\"")
                    .arg(elemento));
        const QString cViejo = SinBlancos(cElemento.left(estrella));
        QString cNuevo = SinBlancos(cElemento.mid(estrella + 1));
        if (!cNuevo.startsWith(QLatin1Char('.')))
            cNuevo.prepend(QLatin1Char('.'));

        const QString cNombre = nombre.toLower();
        const bool coincide = cViejo.contains(QLatin1Char('.'))
                                  ? cNombre == cViejo
                                  : cViejo == DespuesDelPunto(cNombre);
        if (coincide) {
            nombre = base + cNuevo;
            return true;
        }
    }
    return false;
}

} // namespace modRPTs
