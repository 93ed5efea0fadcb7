#include "reportengine/EstadosCuenta.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/Renderizador.h"
#include "reportengine/Salida.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

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
    return Renderiza(*r.datos, r.diseno, *r.cuentas, impreso, e);
}

Hoja IndiceEstados(const ReporteHecho& r, const QStringList& nombres, std::size_t hechos) {
    const Diseno& d = r.diseno;
    const Cuentas& cuentas = *r.cuentas;
    Hoja h;
    h.nombre = QStringLiteral("Estados de cuenta");
    h.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto},
                  {QStringLiteral("Archivo"), TipoCelda::Texto}};
    std::vector<std::function<double(const CuentaGrupo&)>> valores;
    if (cuentas.haySaldoInicial) {
        h.columnas.push_back({d.etiquetaSaldoInicial, TipoCelda::Numero});
        valores.push_back([](const CuentaGrupo& c) { return c.saldoInicial; });
    }
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        if (cuentas.conTotal[k]) {
            h.columnas.push_back({d.columnas[k].titulo, TipoCelda::Numero});
            valores.push_back([k](const CuentaGrupo& c) { return c.totales[k]; });
        }
    }
    if (cuentas.haySaldoFinal) {
        h.columnas.push_back({d.etiquetaSaldoFinal, TipoCelda::Numero});
        valores.push_back([](const CuentaGrupo& c) { return c.saldoFinal; });
        for (std::size_t t = 0; t < NumeroTramos; ++t) {
            h.columnas.push_back({NombreTramo(Tramo(t)), TipoCelda::Numero});
            valores.push_back(
                [t](const CuentaGrupo& c) { return double(c.antiguedad.centavos[t]) / 100.0; });
        }
    }
    h.filas = std::min(hechos, r.datos->grupos.size());
    h.celda = [datos = r.datos, cuentas = r.cuentas, nombres,
               valores](std::size_t fila, std::size_t columna) -> Celda {
        const GrupoDatos& g = datos->grupos[fila];
        if (columna == 0)
            return {g.clave, 0};
        if (columna == 1)
            return {g.nombre, 0};
        if (columna == 2)
            return {nombres[qsizetype(fila)], 0};
        return {{}, valores[columna - 3](cuentas->grupos[fila])};
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
                           const SigueEstados& sigue) {
    const QDir dir(carpeta);
    if (carpeta.isEmpty() || !dir.exists())
        throw ErrorMotor(errores::ErrorSalida,
                         QStringLiteral("No existe la carpeta «%1».").arg(carpeta));
    const QStringList nombres = NombresEstados(*r.datos);
    const std::size_t total = r.datos->grupos.size();
    std::size_t hechos = 0;
    auto indice = [&] {
        EscribeCsv(IndiceEstados(r, nombres, hechos), dir.filePath(NombreIndiceEstados()));
    };
    try {
        for (; hechos < total;) {
            // One statement's pages at a time: laid out, written, dropped.
            EscribePdf(EstadoDeCuenta(r, hechos, impreso),
                       dir.filePath(nombres[qsizetype(hechos)]));
            ++hechos;
            if (sigue && !sigue(hechos, total))
                break;
        }
    } catch (const ErrorMotor&) {
        try {
            indice();
        } catch (const ErrorMotor&) {
            // The first failure is the one to tell.
        }
        throw;
    }
    indice();
    return hechos;
}

} // namespace motor
