#include "Ini.h"

#include "Error.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <optional>

namespace qm::ini {

namespace {

// The file as lines, with what is needed to write it back the same way.
struct Contenido {
    QStringList lineas;
    QString finDeLinea = QStringLiteral("\r\n"); // a new file gets the Windows style
    bool bom = false;
    bool finalConSalto = true;
};

bool EsBlanco(QChar c) {
    return c == u' ' || c == u'\t';
}

QString Recorta(const QString& texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && EsBlanco(texto[inicio]))
        ++inicio;
    while (fin > inicio && EsBlanco(texto[fin - 1]))
        --fin;
    return texto.mid(inicio, fin - inicio);
}

bool MismoNombre(const QString& a, const QString& b) {
    return a.toCaseFolded() == b.toCaseFolded();
}

// The section name of a "[name]" line.
std::optional<QString> Seccion(const QString& linea) {
    const QString t = Recorta(linea);
    if (t.size() >= 2 && t.front() == u'[' && t.back() == u']')
        return Recorta(t.mid(1, t.size() - 2));
    return std::nullopt;
}

bool EsComentario(const QString& linea) {
    const QString t = Recorta(linea);
    return t.startsWith(u';') || t.startsWith(u'#');
}

// Position of the "=" of a key line, -1 for any other line.
qsizetype Igual(const QString& linea) {
    if (EsComentario(linea) || Seccion(linea))
        return -1;
    return linea.indexOf(u'=');
}

Contenido LeeContenido(const QString& archivo) {
    Contenido c;
    QFile f(archivo);
    if (!f.exists())
        return c;
    if (!f.open(QIODevice::ReadOnly))
        throw Error(
            errores::AccesoArchivo,
            QStringLiteral("No se puede leer el archivo %1: %2").arg(archivo, f.errorString()));
    QByteArray datos = f.readAll();
    if (datos.startsWith("\xEF\xBB\xBF")) {
        c.bom = true;
        datos.remove(0, 3);
    }
    QString texto = QString::fromUtf8(datos);
    if (!texto.contains(u"\r\n") && texto.contains(u'\n'))
        c.finDeLinea = QStringLiteral("\n");
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (texto.isEmpty())
        return c;
    c.finalConSalto = texto.endsWith(u'\n');
    if (c.finalConSalto)
        texto.chop(1);
    c.lineas = texto.split(u'\n');
    return c;
}

// First line of the section's body and the line after its end; nullopt when absent.
std::optional<std::pair<qsizetype, qsizetype>> Limites(const QStringList& lineas,
                                                       const QString& seccion) {
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        const auto nombre = Seccion(lineas[i]);
        if (!nombre || !MismoNombre(*nombre, seccion))
            continue;
        qsizetype fin = i + 1;
        while (fin < lineas.size() && !Seccion(lineas[fin]))
            ++fin;
        return std::pair{i + 1, fin};
    }
    return std::nullopt;
}

std::optional<qsizetype> LineaClave(const QStringList& lineas, qsizetype desde, qsizetype hasta,
                                    const QString& clave) {
    for (qsizetype i = desde; i < hasta; ++i) {
        const qsizetype igual = Igual(lineas[i]);
        if (igual >= 0 && MismoNombre(Recorta(lineas[i].left(igual)), clave))
            return i;
    }
    return std::nullopt;
}

void Guarda(const QString& archivo, const Contenido& c) {
    QString texto = c.lineas.join(c.finDeLinea);
    if (c.finalConSalto && !c.lineas.isEmpty())
        texto += c.finDeLinea;
    QByteArray datos = texto.toUtf8();
    if (c.bom)
        datos.prepend("\xEF\xBB\xBF");
    QSaveFile f(archivo);
    if (!f.open(QIODevice::WriteOnly) || f.write(datos) != datos.size() || !f.commit())
        throw Error(
            errores::AccesoArchivo,
            QStringLiteral("No se puede escribir el archivo %1: %2").arg(archivo, f.errorString()));
}

} // namespace

QString Lee(const QString& archivo, const QString& seccion, const QString& clave) {
    const Contenido c = LeeContenido(archivo);
    const auto limites = Limites(c.lineas, Recorta(seccion));
    if (!limites)
        return QString();
    const auto i = LineaClave(c.lineas, limites->first, limites->second, Recorta(clave));
    if (!i)
        return QString();
    const QString& linea = c.lineas[*i];
    return Recorta(linea.mid(Igual(linea) + 1));
}

void Escribe(const QString& archivo, const QString& seccion, const QString& clave,
             const QString& valor) {
    // A line break in a name or value would split the line and corrupt the file.
    for (const QString* t : {&seccion, &clave, &valor})
        if (t->contains(u'\n') || t->contains(u'\r'))
            throw Error(errores::ArgumentoInvalido,
                        QStringLiteral("Un valor del archivo %1 no puede tener saltos de línea")
                            .arg(archivo));
    const QString nombreSeccion = Recorta(seccion);
    const QString nombreClave = Recorta(clave);
    if (nombreClave.isEmpty() || nombreClave.contains(u'='))
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("Nombre de clave no válido para el archivo %1: \"%2\"")
                        .arg(archivo, clave));

    Contenido c = LeeContenido(archivo);
    const QString nueva = nombreClave + u'=' + valor;
    if (const auto limites = Limites(c.lineas, nombreSeccion)) {
        if (const auto i = LineaClave(c.lineas, limites->first, limites->second, nombreClave)) {
            // Keep the key as written, with its blanks, and replace only the value.
            QString& linea = c.lineas[*i];
            qsizetype inicioValor = Igual(linea) + 1;
            while (inicioValor < linea.size() && EsBlanco(linea[inicioValor]))
                ++inicioValor;
            linea = linea.left(inicioValor) + valor;
        } else {
            // After the section's last non-blank line, so a blank separator stays last.
            qsizetype donde = limites->second;
            while (donde > limites->first && Recorta(c.lineas[donde - 1]).isEmpty())
                --donde;
            c.lineas.insert(donde, nueva);
        }
    } else {
        c.lineas << u'[' + nombreSeccion + u']' << nueva;
    }
    Guarda(archivo, c);
}

} // namespace qm::ini
