#include "reportengine/UnionPdf.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace motor {

namespace {

[[noreturn]] void Falla(const char* que) {
    throw std::runtime_error(std::string("the PDF part is not whole: ") + que);
}

// One PDF file as QPdfWriter leaves it: a single cross-reference table and its trailer. The
// objects are read one at a time from the disk.
class Parte {
public:
    explicit Parte(const QString& ruta) : archivo_(ruta) {
        if (!archivo_.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot open " + QFile::encodeName(ruta).toStdString());
        const qint64 largo = archivo_.size();
        const QByteArray cola = Lee(std::max<qint64>(0, largo - 64), largo);
        const qsizetype inicio = cola.lastIndexOf("startxref");
        if (inicio < 0)
            Falla("no startxref");
        xref_ = cola.mid(inicio + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
        if (xref_ <= 0 || xref_ >= largo)
            Falla("bad startxref");
        const QByteArray tabla = Lee(xref_, largo);
        static const QRegularExpression cabeza(QStringLiteral("^xref\\s+0\\s+(\\d+)\\s"));
        const auto m = cabeza.match(QString::fromLatin1(tabla.left(64)));
        if (!m.hasMatch())
            Falla("no cross-reference table");
        const qsizetype n = m.captured(1).toLongLong();
        const qsizetype entradas = m.capturedEnd(0);
        if (n < 2 || tabla.size() < entradas + 20 * n)
            Falla("short cross-reference table");
        posiciones_.resize(std::size_t(n), -1);
        for (qsizetype i = 0; i < n; ++i) {
            const QByteArray e = tabla.mid(entradas + 20 * i, 20);
            if (e.size() == 20 && e[17] == 'n')
                posiciones_[std::size_t(i)] = e.left(10).toLongLong();
        }
        trailer_ = tabla.mid(entradas + 20 * n);
        raiz_ = Referencia(trailer_, "/Root");
        // Where each object ends: where the next one in the file starts.
        std::vector<qint64> orden;
        for (qint64 p : posiciones_) {
            if (p > 0)
                orden.push_back(p);
        }
        orden.push_back(xref_);
        std::sort(orden.begin(), orden.end());
        fines_.resize(posiciones_.size(), -1);
        for (std::size_t i = 0; i < posiciones_.size(); ++i) {
            if (posiciones_[i] > 0)
                fines_[i] = *std::upper_bound(orden.begin(), orden.end(), posiciones_[i]);
        }
        paginas_ = Referencia(Objeto(raiz_), "/Pages");
        hijas_ = Referencias(Arreglo(Objeto(paginas_), "/Kids"));
    }

    std::size_t Tamano() const { return posiciones_.size(); }
    bool Existe(int n) const { return posiciones_[std::size_t(n)] > 0; }
    qint64 Xref() const { return xref_; }
    const QByteArray& Trailer() const { return trailer_; }
    int Raiz() const { return raiz_; }
    int Paginas() const { return paginas_; }
    const std::vector<int>& Hijas() const { return hijas_; }

    // Object n whole, from "n 0 obj" to its end.
    QByteArray Objeto(int n) {
        if (n <= 0 || std::size_t(n) >= posiciones_.size() || posiciones_[std::size_t(n)] <= 0)
            Falla("missing object");
        return Lee(posiciones_[std::size_t(n)], fines_[std::size_t(n)]);
    }
    // The part of an object before its stream, where its references are.
    static QByteArray Cabeza(const QByteArray& objeto) {
        const qsizetype s = objeto.indexOf("stream\n");
        return s < 0 ? objeto : objeto.left(s);
    }
    static int Referencia(const QByteArray& texto, const char* clave) {
        static const QRegularExpression r(QStringLiteral("^\\s*(\\d+)\\s+0\\s+R"));
        const qsizetype i = texto.indexOf(clave);
        if (i < 0)
            return 0;
        const auto m = r.match(QString::fromLatin1(texto.mid(i + qsizetype(qstrlen(clave)), 32)));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    static QByteArray Arreglo(const QByteArray& texto, const char* clave) {
        const qsizetype i = texto.indexOf(clave);
        const qsizetype a = i < 0 ? -1 : texto.indexOf('[', i);
        const qsizetype b = a < 0 ? -1 : texto.indexOf(']', a);
        if (b < 0)
            Falla("no array");
        return texto.mid(a + 1, b - a - 1);
    }
    static std::vector<int> Referencias(const QByteArray& texto) {
        static const QRegularExpression r(QStringLiteral("(\\d+)\\s+0\\s+R\\b"));
        std::vector<int> v;
        for (const auto& m : r.globalMatch(QString::fromLatin1(texto)))
            v.push_back(m.captured(1).toInt());
        return v;
    }
    // Every object reachable from n, n included.
    std::vector<int> Cierre(int n) {
        std::vector<int> todos{n};
        std::set<int> vistos{n};
        for (std::size_t i = 0; i < todos.size(); ++i) {
            for (int r : Referencias(Cabeza(Objeto(todos[i])))) {
                if (vistos.insert(r).second)
                    todos.push_back(r);
            }
        }
        return todos;
    }
    // The fonts a page names, by their /BaseFont.
    std::map<QByteArray, int> Fuentes(int pagina) {
        QByteArray recursos = Cabeza(Objeto(pagina));
        if (const int r = Referencia(recursos, "/Resources"))
            recursos = Cabeza(Objeto(r));
        std::map<QByteArray, int> fuentes;
        const qsizetype i = recursos.indexOf("/Font");
        const qsizetype a = i < 0 ? -1 : recursos.indexOf("<<", i);
        const qsizetype b = a < 0 ? -1 : recursos.indexOf(">>", a);
        if (b < 0)
            return fuentes;
        for (int f : Referencias(recursos.mid(a, b - a))) {
            const QByteArray d = Cabeza(Objeto(f));
            const qsizetype k = d.indexOf("/BaseFont");
            if (k < 0)
                continue;
            static const QRegularExpression nombre(QStringLiteral("^\\s*/([^\\s/<>\\[\\]()]+)"));
            const auto m = nombre.match(QString::fromLatin1(d.mid(k + 9, 80)));
            if (m.hasMatch())
                fuentes.emplace(m.captured(1).toLatin1(), f);
        }
        return fuentes;
    }
    // A font as bytes that do not depend on its objects' numbers, nor on the subset's tag (made
    // from them).
    QByteArray Huella(int fuente) {
        static const QRegularExpression r(
            QStringLiteral("\\d+\\s+0\\s+(R|obj)\\b|/FontName\\s*/[A-Z]{6}\\+"));
        QByteArray h;
        for (int n : Cierre(fuente))
            h += QString::fromLatin1(Objeto(n)).replace(r, QStringLiteral("#")).toLatin1();
        return h;
    }

private:
    QByteArray Lee(qint64 desde, qint64 hasta) {
        if (!archivo_.seek(desde))
            Falla("cannot seek");
        QByteArray b = archivo_.read(hasta - desde);
        if (b.size() != hasta - desde)
            Falla("short read");
        return b;
    }

    QFile archivo_;
    qint64 xref_ = 0;
    std::vector<qint64> posiciones_, fines_;
    QByteArray trailer_;
    int raiz_ = 0, paginas_ = 0;
    std::vector<int> hijas_;
};

class Escritor {
public:
    explicit Escritor(QIODevice& d) : d_(d), inicio_(d.pos()) {}
    qint64 Donde() const { return inicio_ + escritos_; }
    void Escribe(const QByteArray& b) {
        if (d_.write(b) != b.size())
            throw std::runtime_error("cannot write the PDF");
        escritos_ += b.size();
    }

private:
    QIODevice& d_;
    qint64 inicio_;
    qint64 escritos_ = 0;
};

QByteArray Numero(qint64 n) {
    return QByteArray::number(n);
}

} // namespace

void UnePdf(const QString& rutaPrimero, std::size_t paginasPrimero, QIODevice& destino,
            const QString& segundo, std::size_t paginasSegundo) {
    Parte a(rutaPrimero);
    Parte b(segundo);
    if (a.Hijas().size() != paginasPrimero || b.Hijas().size() != paginasSegundo ||
        paginasPrimero < 1 || paginasSegundo < 1)
        Falla("pages missing");

    // The second part's objects follow the first's numbers; its fonts become the first's.
    const int desplazamiento = int(a.Tamano()) - 1;
    std::map<int, int> nuevos{{b.Paginas(), a.Paginas()}};
    std::set<int> fuera{b.Raiz(), b.Paginas(), b.Hijas().front(),
                        Parte::Referencia(b.Trailer(), "/Info")};
    const std::map<QByteArray, int> fuentesA = a.Fuentes(a.Hijas().front());
    for (const auto& [nombre, f] : b.Fuentes(b.Hijas().front())) {
        const auto igual = fuentesA.find(nombre);
        if (igual == fuentesA.end() || a.Huella(igual->second) != b.Huella(f))
            continue;
        nuevos[f] = igual->second;
        for (int n : b.Cierre(f))
            fuera.insert(n);
    }
    auto numero = [&](int n) {
        const auto i = nuevos.find(n);
        return i != nuevos.end() ? i->second : n + desplazamiento;
    };
    static const QRegularExpression referencia(QStringLiteral("(\\d+)(\\s+0\\s+R\\b)"));
    auto renumera = [&](const QByteArray& texto) {
        QByteArray r;
        qsizetype desde = 0;
        const QString t = QString::fromLatin1(texto);
        for (const auto& m : referencia.globalMatch(t)) {
            r += texto.mid(desde, m.capturedStart(0) - desde);
            r += Numero(numero(m.captured(1).toInt())) + m.captured(2).toLatin1();
            desde = m.capturedEnd(0);
        }
        return r + texto.mid(desde);
    };

    Escritor salida(destino);
    salida.Escribe("\n");
    std::vector<qint64> posiciones(b.Tamano(), 0);
    for (int n = 1; n < int(b.Tamano()); ++n) {
        posiciones[std::size_t(n)] = salida.Donde();
        const QByteArray cabeza = Numero(n + desplazamiento) + " 0 obj\n";
        if (fuera.count(n) || !b.Existe(n)) {
            salida.Escribe(cabeza + "null\nendobj\n");
            continue;
        }
        const QByteArray objeto = b.Objeto(n);
        const qsizetype cuerpo = objeto.indexOf("obj") + 3;
        const QByteArray antes = Parte::Cabeza(objeto);
        salida.Escribe(cabeza + renumera(antes.mid(cuerpo)));
        salida.Escribe(objeto.mid(antes.size()));
    }

    // The page tree of the first part, replaced: its pages and the second's, the samples left out.
    QByteArray hijas;
    for (std::size_t i = 1; i < a.Hijas().size(); ++i)
        hijas += Numero(a.Hijas()[i]) + " 0 R\n";
    for (std::size_t i = 1; i < b.Hijas().size(); ++i)
        hijas += Numero(numero(b.Hijas()[i])) + " 0 R\n";
    const qint64 arbol = salida.Donde();
    salida.Escribe(Numero(a.Paginas()) + " 0 obj\n<<\n/Type /Pages\n/Kids \n[\n" + hijas +
                   "]\n/Count " + Numero(qint64(a.Hijas().size() + b.Hijas().size() - 2)) +
                   "\n/ProcSet [/PDF /Text /ImageB /ImageC]\n>>\nendobj\n");

    const qint64 xref = salida.Donde();
    QByteArray tabla = "xref\n" + Numero(a.Paginas()) + " 1\n" +
                       QByteArray::number(arbol).rightJustified(10, '0') + " 00000 n \n" +
                       Numero(a.Tamano()) + " " + Numero(qint64(b.Tamano()) - 1) + "\n";
    for (std::size_t n = 1; n < b.Tamano(); ++n)
        tabla += QByteArray::number(posiciones[n]).rightJustified(10, '0') + " 00000 n \n";
    salida.Escribe(tabla);
    // The first part's trailer, with the new size and a link to its table.
    QByteArray trailer = a.Trailer();
    static const QRegularExpression tamano(QStringLiteral("/Size\\s+\\d+"));
    trailer =
        QString::fromLatin1(trailer)
            .replace(
                tamano,
                QStringLiteral("/Size %1\n/Prev %2").arg(a.Tamano() + b.Tamano() - 1).arg(a.Xref()))
            .toLatin1();
    const qsizetype fin = trailer.indexOf("startxref");
    if (fin < 0)
        Falla("no trailer");
    salida.Escribe(trailer.left(fin) + "startxref\n" + Numero(xref) + "\n%%EOF\n");
}

} // namespace motor
