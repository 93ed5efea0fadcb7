#include "reportengine/EstadosCuenta.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Salida.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace motor {

namespace {

constexpr qsizetype LargoMaximo = 150;

bool Reservado(const QString& nombre) {
    // Windows refuses these as names, with any extension.
    const QString base = nombre.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList fijos{QStringLiteral("CON"), QStringLiteral("PRN"),
                                   QStringLiteral("AUX"), QStringLiteral("NUL")};
    if (fijos.contains(base))
        return true;
    return base.size() == 4 &&
           (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base[3] >= QLatin1Char('0') && base[3] <= QLatin1Char('9');
}

QString Recorta(QString t) {
    while (!t.isEmpty() && (t.back() == QLatin1Char('.') || t.back().isSpace()))
        t.chop(1);
    while (!t.isEmpty() && t.front().isSpace())
        t.remove(0, 1);
    return t;
}

} // namespace

QString NombreIndiceEstados() {
    return QStringLiteral("Estados de cuenta.csv");
}

QString NombreSeguro(const QString& texto) {
    QString t;
    t.reserve(texto.size());
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || QStringView(u"<>:\"/\\|?*").contains(c))
            t += QLatin1Char('_');
        else
            t += c;
    }
    t = Recorta(t);
    if (t.size() > LargoMaximo) {
        t.truncate(LargoMaximo);
        // A surrogate pair is never cut in two.
        if (t.back().isHighSurrogate())
            t.chop(1);
        t = Recorta(t);
    }
    if (t.isEmpty())
        t = QStringLiteral("_");
    if (Reservado(t))
        t += QLatin1Char('_');
    return t;
}

QStringList NombresEstados(const DatosReporte& datos) {
    QStringList nombres;
    nombres.reserve(qsizetype(datos.grupos.size()));
    QHash<QString, int> usados; // case folded -> times seen
    for (const GrupoDatos& g : datos.grupos) {
        const QString texto =
            g.nombre.isEmpty() ? g.clave : g.clave.trimmed() + QStringLiteral(" - ") + g.nombre;
        const QString base = NombreSeguro(texto);
        QString nombre = base + QStringLiteral(".pdf");
        for (int n = 2; usados.contains(nombre.toCaseFolded()); ++n)
            nombre = base + QStringLiteral(" (%1).pdf").arg(n);
        usados.insert(nombre.toCaseFolded(), 1);
        nombres << nombre;
    }
    return nombres;
}

Documento EstadoDeCuenta(const ReporteHecho& r, std::size_t grupo, const QDateTime& impreso) {
    Encargo e;
    e.titulo = QStringLiteral("Estado de cuenta");
    e.subtitulo = DescribePeriodo(r.solicitud);
    e.grupo = grupo;
    e.grupos = 1;
    e.totalGeneral = false;
    e.antiguedad = true;
    e.membrete = r.membrete;
    return Renderiza(r.datos, r.cuentas, r.diseno, impreso, e);
}

Hoja IndiceEstados(const ReporteHecho& r, const QStringList& nombres,
                   std::vector<std::size_t> hechos) {
    const Diseno& d = r.diseno;
    const Cuentas& cuentas = *r.cuentas;
    Hoja h;
    h.nombre = QStringLiteral("Estados de cuenta");
    ColumnasDeCuenta cifras = ColumnasDeCuentas(d, cuentas);
    // The file name goes after the code and the name.
    h.columnas = std::move(cifras.columnas);
    h.columnas.insert(h.columnas.begin() + 2, {QStringLiteral("Archivo"), TipoCelda::Texto});
    h.filas = hechos.size();
    h.celda = [datos = r.datos, cuentas = r.cuentas, nombres, valores = std::move(cifras.valores),
               grupos = std::move(hechos)](std::size_t fila, std::size_t columna) -> Celda {
        fila = grupos[fila];
        if (columna == 2)
            return {nombres[qsizetype(fila)], 0};
        return valores[columna < 2 ? columna : columna - 1](datos->grupos[fila],
                                                            cuentas->grupos[fila]);
    };
    return h;
}

QStringList EstadosExistentes(const QString& carpeta, const QStringList& nombres) {
    const QDir dir(carpeta);
    QStringList hay;
    for (const QString& n : nombres) {
        if (QFileInfo::exists(dir.filePath(n)))
            hay << n;
    }
    if (QFileInfo::exists(dir.filePath(NombreIndiceEstados())))
        hay << NombreIndiceEstados();
    return hay;
}

std::size_t EscribeEstados(const ReporteHecho& r, const QString& carpeta, const QDateTime& impreso,
                           const SigueEstados& sigue, int hilos) {
    const QDir dir(carpeta);
    if (carpeta.isEmpty() || !dir.exists())
        throw ErrorMotor(errores::ErrorSalida,
                         QStringLiteral("No existe la carpeta «%1».").arg(carpeta));
    const QStringList nombres = NombresEstados(*r.datos);
    const std::size_t total = r.datos->grupos.size();
    if (hilos <= 0)
        hilos = std::clamp(QThread::idealThreadCount(), 1, 4);
    hilos = int(std::min<std::size_t>(std::size_t(hilos), std::max<std::size_t>(total, 1)));

    std::mutex candado;
    std::condition_variable aviso;
    std::size_t siguiente = 0;
    std::size_t terminados = 0;
    int trabajando = hilos;
    bool alto = false;
    std::exception_ptr falla;
    std::vector<char> hecho(total, 0);
    auto trabaja = [&] {
        for (;;) {
            std::size_t g = 0;
            {
                const std::lock_guard<std::mutex> l(candado);
                if (alto || siguiente >= total)
                    break;
                g = siguiente++;
            }
            try {
                // One statement's pages at a time: laid out, written, dropped.
                EscribePdf(EstadoDeCuenta(r, g, impreso), dir.filePath(nombres[qsizetype(g)]));
                const std::lock_guard<std::mutex> l(candado);
                hecho[g] = 1;
                ++terminados;
            } catch (...) {
                const std::lock_guard<std::mutex> l(candado);
                if (!falla)
                    falla = std::current_exception();
                alto = true;
            }
            aviso.notify_all();
        }
        const std::lock_guard<std::mutex> l(candado);
        --trabajando;
        aviso.notify_all();
    };
    std::vector<std::thread> trabajadores;
    for (int i = 0; i < hilos; ++i)
        trabajadores.emplace_back(trabaja);
    std::size_t contados = 0;
    for (;;) {
        std::unique_lock<std::mutex> l(candado);
        aviso.wait(l, [&] { return terminados > contados || trabajando == 0; });
        const bool fin = trabajando == 0 && terminados == contados;
        contados = terminados;
        l.unlock();
        if (fin)
            break;
        if (sigue && !sigue(contados, total)) {
            const std::lock_guard<std::mutex> parar(candado);
            alto = true;
        }
    }
    for (std::thread& t : trabajadores)
        t.join();

    std::vector<std::size_t> hechos;
    for (std::size_t g = 0; g < total; ++g) {
        if (hecho[g])
            hechos.push_back(g);
    }
    try {
        EscribeCsv(IndiceEstados(r, nombres, hechos), dir.filePath(NombreIndiceEstados()));
    } catch (const ErrorMotor&) {
        // The first failure is the one to tell.
        if (!falla)
            throw;
    }
    if (falla)
        std::rethrow_exception(falla);
    return hechos.size();
}

} // namespace motor
