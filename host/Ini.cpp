#include "Ini.h"

#include "CodigoWindows.h"
#include "Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <optional>
#include <unistd.h>
#include <vector>

namespace qm::ini {

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

// One line as it lies in the file: its bytes, its own line end ("" on a last line without
// one) and its text. A line that is not changed is written back with its own bytes.
struct Linea {
    QByteArray bytes;
    QByteArray fin;
    QString texto;
};

// The file as lines, with what is needed to write it back the same way.
struct Contenido {
    std::vector<Linea> lineas;
    bool bom = false;
    bool windows = false; // cp1252 rather than UTF-8
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

// A value between a pair of quotes (double or single) is read without them, as Windows reads it.
std::optional<QChar> Comillas(const QString& valor) {
    if (valor.size() >= 2 && valor.front() == valor.back() &&
        (valor.front() == u'"' || valor.front() == u'\''))
        return valor.front();
    return std::nullopt;
}

bool EsUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texto = utf8(bytes);
    Q_UNUSED(texto);
    return !utf8.hasError();
}

QString Decodifica(const Contenido& c, QByteArrayView bytes) {
    return c.windows ? cp1252::Decodifica(bytes) : QString::fromUtf8(bytes);
}

QByteArray Codifica(const Contenido& c, const QString& texto, const QString& archivo) {
    if (!c.windows)
        return texto.toUtf8();
    if (auto bytes = cp1252::Codifica(texto))
        return *bytes;
    throw Error(errores::ArgumentoInvalido,
                QStringLiteral("El texto \"%1\" no se puede guardar en el archivo %2, que está en "
                               "la codificación de Windows (cp1252)")
                    .arg(texto, archivo));
}

// The bytes of the file: UTF-8 when they are valid UTF-8, else the Windows code page.
Contenido Parte(QByteArray datos) {
    Contenido c;
    if (datos.startsWith(kBom)) {
        c.bom = true;
        datos.remove(0, kBom.size());
    }
    c.windows = !EsUtf8(datos);
    qsizetype inicio = 0;
    while (inicio < datos.size()) {
        qsizetype salto = datos.indexOf('\n', inicio);
        Linea linea;
        if (salto < 0) {
            linea.bytes = datos.mid(inicio);
            inicio = datos.size();
        } else {
            linea.bytes = datos.mid(inicio, salto - inicio);
            linea.fin = QByteArrayLiteral("\n");
            if (linea.bytes.endsWith('\r')) {
                linea.bytes.chop(1);
                linea.fin.prepend('\r');
            }
            inicio = salto + 1;
        }
        linea.texto = Decodifica(c, linea.bytes);
        c.lineas.push_back(std::move(linea));
    }
    return c;
}

QByteArray Junta(const Contenido& c) {
    QByteArray datos = c.bom ? kBom : QByteArray();
    for (const Linea& linea : c.lineas)
        datos += linea.bytes + linea.fin;
    return datos;
}

QByteArray LeeBytes(const QString& archivo) {
    QFile f(archivo);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly))
        throw Error(
            errores::AccesoArchivo,
            QStringLiteral("No se puede leer el archivo %1: %2").arg(archivo, f.errorString()));
    return f.readAll();
}

// First line of the section's body and the line after its end; nullopt when absent.
std::optional<std::pair<std::size_t, std::size_t>> Limites(const std::vector<Linea>& lineas,
                                                           const QString& seccion) {
    for (std::size_t i = 0; i < lineas.size(); ++i) {
        const auto nombre = Seccion(lineas[i].texto);
        if (!nombre || !MismoNombre(*nombre, seccion))
            continue;
        std::size_t fin = i + 1;
        while (fin < lineas.size() && !Seccion(lineas[fin].texto))
            ++fin;
        return std::pair{i + 1, fin};
    }
    return std::nullopt;
}

std::optional<std::size_t> LineaClave(const std::vector<Linea>& lineas, std::size_t desde,
                                      std::size_t hasta, const QString& clave) {
    for (std::size_t i = desde; i < hasta; ++i) {
        const QString& texto = lineas[i].texto;
        const qsizetype igual = Igual(texto);
        if (igual >= 0 && MismoNombre(Recorta(texto.left(igual)), clave))
            return i;
    }
    return std::nullopt;
}

// The line end of new lines: the file's own, Windows' for a file that has none yet.
QByteArray FinDeLinea(const Contenido& c) {
    for (const Linea& linea : c.lineas)
        if (!linea.fin.isEmpty())
            return linea.fin;
    return QByteArrayLiteral("\r\n");
}

// Puts new lines before line `donde`. At the end of a file whose last line has no line end,
// that line gets one and the last new line goes without, as the file did.
void Inserta(Contenido& c, std::size_t donde, const QStringList& textos, const QString& archivo) {
    const QByteArray fin = FinDeLinea(c);
    bool sinFinal = false;
    if (donde == c.lineas.size() && !c.lineas.empty() && c.lineas.back().fin.isEmpty()) {
        c.lineas.back().fin = fin;
        sinFinal = true;
    }
    std::vector<Linea> nuevas;
    for (const QString& texto : textos)
        nuevas.push_back({Codifica(c, texto, archivo), fin, texto});
    if (sinFinal)
        nuevas.back().fin.clear();
    c.lineas.insert(c.lineas.begin() + static_cast<std::ptrdiff_t>(donde), nuevas.begin(),
                    nuevas.end());
}

// The value as it goes into the file, so that reading gives it back: in the quotes the old
// value had, or in double quotes when its own first and last characters would be taken for
// them.
QString ValorEscrito(const QString& valor, std::optional<QChar> comillasAnteriores) {
    if (comillasAnteriores)
        return *comillasAnteriores + valor + *comillasAnteriores;
    if (Comillas(valor))
        return u'"' + valor + u'"';
    return valor;
}

// Writes over the file itself, for a folder that takes no new file: the whole new content
// first, then the file is cut to its length, so the old content stays whole until the new one
// is. On a failure the old bytes are put back.
bool EscribeEnSuLugar(const QString& archivo, const QByteArray& datos, const QByteArray& antes,
                      QString& error) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        error = f.errorString();
        return false;
    }
    const auto escribe = [&f](const QByteArray& bytes) {
        return f.seek(0) && f.write(bytes) == bytes.size() && f.flush() &&
               ::fsync(f.handle()) == 0 && f.resize(bytes.size()) && ::fsync(f.handle()) == 0;
    };
    if (escribe(datos))
        return true;
    error = f.errorString();
    escribe(antes);
    return false;
}

void Guarda(const QString& archivo, const QByteArray& datos, const QByteArray& antes) {
    QSaveFile f(archivo);
    QString error;
    if (f.open(QIODevice::WriteOnly)) {
        if (f.write(datos) == datos.size() && f.commit())
            return;
        error = f.errorString();
    } else if (QFileInfo(archivo).isFile()) {
        // The folder takes no new file beside this one (say, under Program Files), while the
        // file itself may still be writable.
        if (EscribeEnSuLugar(archivo, datos, antes, error))
            return;
    } else {
        error = f.errorString();
    }
    throw Error(errores::AccesoArchivo,
                QStringLiteral("No se puede escribir el archivo %1: %2").arg(archivo, error));
}

} // namespace

QString Lee(const QString& archivo, const QString& seccion, const QString& clave) {
    const Contenido c = Parte(LeeBytes(archivo));
    const auto limites = Limites(c.lineas, Recorta(seccion));
    if (!limites)
        return QString();
    const auto i = LineaClave(c.lineas, limites->first, limites->second, Recorta(clave));
    if (!i)
        return QString();
    const QString& linea = c.lineas[*i].texto;
    const QString valor = Recorta(linea.mid(Igual(linea) + 1));
    return Comillas(valor) ? valor.mid(1, valor.size() - 2) : valor;
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

    const QByteArray antes = LeeBytes(archivo);
    Contenido c = Parte(antes);
    if (const auto limites = Limites(c.lineas, nombreSeccion)) {
        if (const auto i = LineaClave(c.lineas, limites->first, limites->second, nombreClave)) {
            // Keep the key as written, with its blanks, and replace only the value.
            Linea& linea = c.lineas[*i];
            qsizetype inicioValor = Igual(linea.texto) + 1;
            while (inicioValor < linea.texto.size() && EsBlanco(linea.texto[inicioValor]))
                ++inicioValor;
            const auto comillas = Comillas(Recorta(linea.texto.mid(inicioValor)));
            linea.texto = linea.texto.left(inicioValor) + ValorEscrito(valor, comillas);
            linea.bytes = Codifica(c, linea.texto, archivo);
        } else {
            // After the section's last non-blank line, so a blank separator stays last.
            std::size_t donde = limites->second;
            while (donde > limites->first && Recorta(c.lineas[donde - 1].texto).isEmpty())
                --donde;
            Inserta(c, donde, {nombreClave + u'=' + ValorEscrito(valor, std::nullopt)}, archivo);
        }
    } else {
        Inserta(
            c, c.lineas.size(),
            {u'[' + nombreSeccion + u']', nombreClave + u'=' + ValorEscrito(valor, std::nullopt)},
            archivo);
    }
    Guarda(archivo, Junta(c), antes);
}

} // namespace qm::ini
