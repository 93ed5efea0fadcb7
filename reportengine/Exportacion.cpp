#include "reportengine/Exportacion.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"

#include <QDate>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <xlsxwriter.h>

namespace motor {

namespace {

// Where a layout column takes its value from in table 0, and what kind of cell it is.
struct Fuente {
    int indice = -1;
    TipoCelda tipo = TipoCelda::Texto;
};

Celda Valor(const TablaDatos& t, const Fuente& f, std::size_t fila) {
    if (f.indice < 0)
        return {};
    const ColumnaDatos& c = t[f.indice];
    if (f.tipo == TipoCelda::Numero)
        return {{}, c.numerica() ? c.Numero(fila) : c.Texto(fila).toDouble()};
    return {c.Texto(fila), 0};
}

Hoja Movimientos(const std::shared_ptr<const DatosReporte>& datos, const Diseno& d) {
    Hoja h;
    h.nombre = QStringLiteral("Movimientos");
    h.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    std::vector<Fuente> fuentes;
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        const ColumnaDiseno& c = d.columnas[k];
        TipoCelda tipo = TipoCelda::Texto;
        if (c.formato == FormatoCampo::Importe)
            tipo = TipoCelda::Numero;
        else if (c.formato == FormatoCampo::Fecha)
            tipo = TipoCelda::Fecha;
        h.columnas.push_back({c.titulo, tipo});
        fuentes.push_back({datos->lugares.columnas[k], tipo});
    }
    h.filas = datos->orden.size();
    h.celda = [datos, fuentes](std::size_t fila, std::size_t columna) -> Celda {
        if (columna < 2) {
            // The group of a printed row: the last that starts at or before it.
            const auto g = std::upper_bound(datos->grupos.begin(), datos->grupos.end(), fila,
                                            [](std::size_t f, const GrupoDatos& grupo) {
                                                return f < grupo.desde;
                                            }) -
                           1;
            return {columna == 0 ? g->clave : g->nombre, 0};
        }
        return Valor(datos->tabla, fuentes[columna - 2], datos->orden[fila]);
    };
    return h;
}

} // namespace

ColumnasDeCuenta ColumnasDeCuentas(const Diseno& d, const Cuentas& cuentas) {
    ColumnasDeCuenta c;
    c.columnas = {{d.etiquetaGrupo, TipoCelda::Texto},
                  {QStringLiteral("Nombre"), TipoCelda::Texto}};
    c.valores = {[](const GrupoDatos& g, const CuentaGrupo&) {
                     return Celda{g.clave, 0};
                 },
                 [](const GrupoDatos& g, const CuentaGrupo&) {
                     return Celda{g.nombre, 0};
                 }};
    const auto agrega = [&c](const QString& titulo, std::function<double(const CuentaGrupo&)> f) {
        c.columnas.push_back({titulo, TipoCelda::Numero});
        c.valores.push_back([f = std::move(f)](const GrupoDatos&, const CuentaGrupo& g) {
            return Celda{{}, f(g)};
        });
    };
    if (cuentas.haySaldoInicial)
        agrega(d.etiquetaSaldoInicial, [](const CuentaGrupo& g) { return g.saldoInicial; });
    for (std::size_t k = 0; k < d.columnas.size(); ++k) {
        if (cuentas.conTotal[k])
            agrega(d.columnas[k].titulo, [k](const CuentaGrupo& g) { return g.totales[k]; });
    }
    if (cuentas.haySaldoFinal) {
        agrega(d.etiquetaSaldoFinal, [](const CuentaGrupo& g) { return g.saldoFinal; });
        for (std::size_t t = 0; t < NumeroTramos; ++t)
            agrega(NombreTramo(Tramo(t)),
                   [t](const CuentaGrupo& g) { return double(g.antiguedad.centavos[t]) / 100.0; });
    }
    return c;
}

namespace {

Hoja Resumen(const std::shared_ptr<const DatosReporte>& datos,
             const std::shared_ptr<const Cuentas>& cuentas, const Diseno& d) {
    Hoja h;
    h.nombre = QStringLiteral("Resumen");
    ColumnasDeCuenta cifras = ColumnasDeCuentas(d, *cuentas);
    h.columnas = std::move(cifras.columnas);
    h.filas = datos->grupos.size();
    h.celda = [datos, cuentas, valores = std::move(cifras.valores)](std::size_t fila,
                                                                    std::size_t columna) {
        return valores[columna](datos->grupos[fila], cuentas->grupos[fila]);
    };
    return h;
}

// Text for libxlsxwriter, which takes UTF-8; kept alive while the workbook is written.
class Textos {
public:
    const char* operator()(const QString& t) {
        textos_.push_back(t.toUtf8());
        return textos_.back().constData();
    }

private:
    std::vector<QByteArray> textos_;
};

// A workbook being written; closed (and freed) whatever happens.
class Libro {
public:
    explicit Libro(const QByteArray& ruta) : libro_(workbook_new(ruta.constData())) {}
    ~Libro() {
        if (libro_)
            workbook_close(libro_);
    }
    Libro(const Libro&) = delete;
    Libro& operator=(const Libro&) = delete;
    lxw_workbook* get() const { return libro_; }
    lxw_error Cierra() {
        const lxw_error e = workbook_close(libro_);
        libro_ = nullptr;
        return e;
    }

private:
    lxw_workbook* libro_;
};

void EscribeHoja(lxw_workbook* libro, const Hoja& h, Textos& texto, lxw_format* titulo,
                 lxw_format* numero, lxw_format* fecha) {
    lxw_worksheet* hoja = workbook_add_worksheet(libro, texto(h.nombre));
    if (!hoja)
        throw std::runtime_error("worksheet");
    const auto columnas = lxw_col_t(h.columnas.size());
    for (lxw_col_t c = 0; c < columnas; ++c) {
        const ColumnaHoja& col = h.columnas[c];
        worksheet_write_string(hoja, 0, c, texto(col.titulo), titulo);
        const double ancho = col.tipo == TipoCelda::Numero ? 15 : c == 1 ? 32 : 12;
        worksheet_set_column(hoja, c, c, ancho,
                             col.tipo == TipoCelda::Numero  ? numero
                             : col.tipo == TipoCelda::Fecha ? fecha
                                                            : nullptr);
    }
    for (std::size_t f = 0; f < h.filas; ++f) {
        const auto fila = lxw_row_t(f + 1);
        for (lxw_col_t c = 0; c < columnas; ++c) {
            const Celda v = h.celda(f, c);
            switch (h.columnas[c].tipo) {
            case TipoCelda::Numero:
                worksheet_write_number(hoja, fila, c, v.numero, numero);
                break;
            case TipoCelda::Fecha: {
                const QDate d = QDate::fromString(v.texto, Qt::ISODate);
                if (d.isValid()) {
                    lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0.0};
                    worksheet_write_datetime(hoja, fila, c, &dt, fecha);
                } else if (!v.texto.isEmpty()) {
                    worksheet_write_string(hoja, fila, c, texto(v.texto), nullptr);
                }
                break;
            }
            case TipoCelda::Texto:
                if (!v.texto.isEmpty()) {
                    // The strings go into the workbook's shared table right away.
                    const QByteArray utf8 = v.texto.toUtf8();
                    worksheet_write_string(hoja, fila, c, utf8.constData(), nullptr);
                }
                break;
            }
        }
    }
    worksheet_freeze_panes(hoja, 1, 0);
    if (columnas > 0)
        worksheet_autofilter(hoja, 0, 0, lxw_row_t(h.filas), columnas - 1);
}

} // namespace

std::vector<Hoja> Hojas(std::shared_ptr<const DatosReporte> datos,
                        std::shared_ptr<const Cuentas> cuentas, const Diseno& diseno) {
    return {Movimientos(datos, diseno), Resumen(datos, cuentas, diseno)};
}

namespace {

// The sheets with avance told of the rows as they are asked for; cancelling throws Cancelado.
std::vector<Hoja> ConAvance(const std::vector<Hoja>& hojas, const QString& ruta,
                            const AvanceSalida& avance) {
    if (!avance)
        return hojas;
    std::size_t total = 0;
    for (const Hoja& h : hojas)
        total += h.filas;
    std::vector<Hoja> con = hojas;
    std::size_t antes = 0;
    for (Hoja& h : con) {
        h.celda = [celda = h.celda, filas = h.filas, antes, total, avance,
                   ruta](std::size_t fila, std::size_t columna) {
            if (columna == 0 && (fila % 1000 == 999 || fila + 1 == filas) &&
                !avance(antes + fila + 1, total))
                throw ErrorMotor(
                    errores::Cancelado,
                    QStringLiteral("Se canceló el libro; «%1» quedó como estaba.").arg(ruta));
            return celda(fila, columna);
        };
        antes += h.filas;
    }
    return con;
}

} // namespace

void EscribeXlsx(const std::vector<Hoja>& lasHojas, const QString& ruta,
                 const AvanceSalida& avance) {
    const std::vector<Hoja> hojas = ConAvance(lasHojas, ruta, avance);
    ArchivoSeguro archivo(ruta);
    const QByteArray nombre = QFile::encodeName(archivo.RutaTemporal());
    {
        Libro libro(nombre);
        if (!libro.get())
            throw archivo.Error(QStringLiteral("no se pudo crear el libro."));
        Textos texto;
        lxw_format* titulo = workbook_add_format(libro.get());
        format_set_bold(titulo);
        lxw_format* numero = workbook_add_format(libro.get());
        format_set_num_format(numero, "#,##0.00");
        lxw_format* fecha = workbook_add_format(libro.get());
        format_set_num_format(fecha, "dd/mm/yyyy");
        try {
            for (const Hoja& h : hojas)
                EscribeHoja(libro.get(), h, texto, titulo, numero, fecha);
        } catch (const std::runtime_error&) {
            throw archivo.Error(QStringLiteral("no se pudo crear una hoja."));
        }
        errno = 0;
        const lxw_error e = libro.Cierra();
        // The file errors leave the system's reason in errno (a full disk, mostly).
        const int sistema = errno;
        const bool deArchivo = e == LXW_ERROR_CREATING_XLSX_FILE ||
                               e == LXW_ERROR_CREATING_TMPFILE ||
                               e == LXW_ERROR_ZIP_FILE_OPERATION || e == LXW_ERROR_ZIP_FILE_ADD ||
                               e == LXW_ERROR_ZIP_CLOSE;
        if (e != LXW_NO_ERROR)
            throw deArchivo && sistema != 0 ? archivo.Error(sistema)
                                            : archivo.Error(QString::fromUtf8(lxw_strerror(e)));
    }
    archivo.Confirma();
}

QString CampoCsv(const QString& texto) {
    if (!texto.contains(QLatin1Char(',')) && !texto.contains(QLatin1Char('"')) &&
        !texto.contains(QLatin1Char('\n')) && !texto.contains(QLatin1Char('\r')))
        return texto;
    QString t = texto;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString NumeroCsv(double valor) {
    // Plain notation, never "1e+05"; the longest double so written has 309 digits before the
    // point, the smallest 324 after it.
    char texto[400];
    const auto r = std::to_chars(texto, texto + sizeof(texto), valor, std::chars_format::fixed);
    return QString::fromLatin1(texto, r.ptr - texto);
}

void EscribeCsv(const Hoja& h, const QString& ruta) {
    ArchivoSeguro archivo(ruta);
    QIODevice& salida = archivo.Dispositivo();
    QByteArray bloque("\xEF\xBB\xBF");
    auto linea = [&](const QStringList& campos) {
        bloque += campos.join(QLatin1Char(',')).toUtf8();
        bloque += "\r\n";
        if (bloque.size() > (1 << 20)) {
            salida.write(bloque);
            bloque.clear();
        }
    };
    QStringList campos;
    for (const ColumnaHoja& c : h.columnas)
        campos << CampoCsv(c.titulo);
    linea(campos);
    for (std::size_t f = 0; f < h.filas; ++f) {
        campos.clear();
        for (std::size_t c = 0; c < h.columnas.size(); ++c) {
            const Celda v = h.celda(f, c);
            campos << (h.columnas[c].tipo == TipoCelda::Numero ? NumeroCsv(v.numero)
                                                               : CampoCsv(v.texto));
        }
        linea(campos);
    }
    salida.write(bloque);
    archivo.Confirma();
}

} // namespace motor
