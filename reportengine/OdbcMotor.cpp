#include "reportengine/OdbcMotor.h"

#include "comun/ErroresMysql.h"
#include "reportengine/ErroresMotor.h"

#include <QStringList>
#include <algorithm>
#include <sqlext.h>
#include <string>

namespace motor {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

constexpr SQLULEN FilasPorBloque = 1024;
constexpr SQLLEN CaracteresMaximos = 4096;
// A data source whose server does not answer fails the login within this many seconds.
constexpr SQLULEN SegundosParaEntrar = 10;

std::u16string Ancho(const QString& texto) {
    return std::u16string(reinterpret_cast<const char16_t*>(texto.utf16()), texto.size());
}

SQLWCHAR* Ptr(std::u16string& s) {
    return reinterpret_cast<SQLWCHAR*>(s.data());
}

struct Diagnostico {
    QString estado;
    long nativo = 0;
    QString mensaje;
};

// The first diagnostic record of a handle, the one that says what went wrong.
Diagnostico LeeDiagnostico(SQLSMALLINT tipo, SQLHANDLE handle) {
    Diagnostico d;
    SQLWCHAR estado[6] = {};
    SQLINTEGER nativo = 0;
    SQLWCHAR mensaje[1024] = {};
    SQLSMALLINT largo = 0;
    const SQLRETURN r = SQLGetDiagRecW(tipo, handle, 1, estado, &nativo, mensaje,
                                       SQLSMALLINT(std::size(mensaje)), &largo);
    if (SQL_SUCCEEDED(r)) {
        d.estado = QString::fromUtf16(reinterpret_cast<const char16_t*>(estado), 5);
        d.nativo = nativo;
        d.mensaje =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(mensaje),
                               std::min<qsizetype>(largo, qsizetype(std::size(mensaje)) - 1));
    } else {
        d.mensaje = QStringLiteral("el controlador ODBC no dio más detalle");
    }
    return d;
}

// A statement handle, freed whatever happens.
class Sentencia {
public:
    explicit Sentencia(SQLHDBC conexion) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, conexion, &h_)))
            throw ErrorMotor(errores::ErrorLectura,
                             QStringLiteral("No se pudo preparar la lectura de los datos."));
    }
    ~Sentencia() {
        if (h_ != SQL_NULL_HSTMT) {
            SQLFreeStmt(h_, SQL_CLOSE);
            SQLFreeHandle(SQL_HANDLE_STMT, h_);
        }
    }
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;
    SQLHSTMT h() const { return h_; }

private:
    SQLHSTMT h_ = SQL_NULL_HSTMT;
};

ErrorMotor ErrorConsulta(const Diagnostico& d, const QString& ubicacion) {
    const bool faltaTabla = d.estado == QLatin1String("42S02") ||
                            d.nativo == comun::mysql::TablaDesconocida ||
                            d.nativo == comun::mysql::BaseDesconocida;
    const bool faltaColumna =
        d.estado == QLatin1String("42S22") || d.nativo == comun::mysql::ColumnaDesconocida;
    if (faltaTabla)
        return ErrorMotor(
            errores::FaltaTablaOColumna,
            QStringLiteral("No existe la tabla %1 del reporte: %2").arg(ubicacion, d.mensaje));
    if (faltaColumna)
        return ErrorMotor(errores::FaltaTablaOColumna,
                          QStringLiteral("A la tabla %1 le falta una columna del reporte: %2")
                              .arg(ubicacion, d.mensaje));
    return ErrorMotor(errores::ErrorLectura, QStringLiteral("No se pudieron leer los datos de %1: "
                                                            "[%2] %3")
                                                 .arg(ubicacion, d.estado, d.mensaje));
}

// The text the driver left in a buffer of that many units. MariaDB Connector/ODBC 3.1 reports
// for some wide data the UTF-8 byte count as its length ("ÑÚ01": 6, though its UTF-16 form
// takes 8), so the reported length is never trusted: the text ends at the terminator the
// driver writes.
std::size_t Largo(const char16_t* texto, std::size_t unidades) {
    return std::size_t(std::find(texto, texto + unidades, u'\0') - texto);
}

// A text column of the current row, whatever its length, in as many pieces as it takes.
QString TextoDe(SQLHSTMT h, SQLUSMALLINT columna, bool* nulo = nullptr) {
    std::u16string texto;
    char16_t bloque[2048];
    for (;;) {
        SQLLEN ind = 0;
        bloque[0] = u'\0';
        const SQLRETURN r = SQLGetData(h, columna, SQL_C_WCHAR, bloque, sizeof(bloque), &ind);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            return QString();
        if (ind == SQL_NULL_DATA) {
            if (nulo)
                *nulo = true;
            return QString();
        }
        texto.append(bloque, Largo(bloque, std::size(bloque)));
        if (r == SQL_SUCCESS)
            break;
    }
    if (nulo)
        *nulo = false;
    return QString::fromUtf16(texto.data(), qsizetype(texto.size()));
}

// A number column of the current row; NULL reads as 0.
double NumeroDe(SQLHSTMT h, SQLUSMALLINT columna) {
    double valor = 0;
    SQLLEN ind = 0;
    const SQLRETURN r = SQLGetData(h, columna, SQL_C_DOUBLE, &valor, sizeof(valor), &ind);
    return SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA ? valor : 0.0;
}

// "A1B2,C3" (GROUP_CONCAT of HEX over utf8mb4) -> the texts.
QStringList DeHex(const QString& lista) {
    QStringList textos;
    for (const QString& pieza : lista.split(QLatin1Char(','), Qt::SkipEmptyParts))
        textos << QString::fromUtf8(QByteArray::fromHex(pieza.toLatin1()));
    return textos;
}

// One column's bound buffer for a block of rows.
struct Enlace {
    bool numerica = false;
    SQLLEN caracteres = 0; // per row, the terminator included
    std::vector<char16_t> textos;
    std::vector<double> numeros;
    std::vector<SQLLEN> indicadores;
};

// A failed step of a statement becomes the engine's error about the table at ubicacion.
void Comprueba(SQLRETURN r, SQLHSTMT h, const QString& ubicacion) {
    if (!SQL_SUCCEEDED(r))
        throw ErrorConsulta(LeeDiagnostico(SQL_HANDLE_STMT, h), ubicacion);
}

void Corre(SQLHSTMT h, const QString& sql, const QString& ubicacion) {
    std::u16string texto = Ancho(sql);
    Comprueba(SQLExecDirectW(h, Ptr(texto), SQLINTEGER(texto.size())), h, ubicacion);
}

// Moves to the next row (or block of rows): false after the last one.
bool Avanza(SQLHSTMT h, const QString& ubicacion) {
    const SQLRETURN r = SQLFetch(h);
    if (r == SQL_NO_DATA)
        return false;
    Comprueba(r, h, ubicacion);
    return true;
}

// Appends the rows of the statement just run on h to tabla, whose columns are columnas; the
// rows appended.
std::size_t AgregaFilas(SQLHSTMT h, const QString& ubicacion,
                        const std::vector<ColumnaPedida>& columnas, TablaDatos& tabla) {
    const std::size_t antes = tabla.filas;
    std::vector<Enlace> enlaces(columnas.size());
    // Texts of a bounded size are fetched in blocks; a column of unknown or large size (TEXT)
    // is read row by row, each value whole.
    bool porFila = false;
    for (std::size_t i = 0; i < columnas.size(); ++i) {
        Enlace& e = enlaces[i];
        e.numerica = columnas[i].tipo == TipoDato::Numero;
        if (e.numerica)
            continue;
        SQLULEN tamano = 0;
        SQLSMALLINT tipo = 0, decimales = 0, nulos = 0;
        SQLDescribeColW(h, SQLUSMALLINT(i + 1), nullptr, 0, nullptr, &tipo, &tamano, &decimales,
                        &nulos);
        // Room for characters outside the basic plane, which take two UTF-16 units: a value
        // of the column's declared size always fits whole.
        if (tamano == 0 || tamano > SQLULEN(CaracteresMaximos / 2))
            porFila = true;
        e.caracteres = std::max<SQLLEN>(SQLLEN(tamano) * 2, 32) + 1;
    }

    if (porFila) {
        while (Avanza(h, ubicacion)) {
            for (std::size_t i = 0; i < enlaces.size(); ++i) {
                ColumnaDatos& c = tabla.columnas[i];
                const SQLUSMALLINT n = SQLUSMALLINT(i + 1);
                if (enlaces[i].numerica)
                    c.Agrega(NumeroDe(h, n));
                else
                    c.Agrega(TextoDe(h, n));
            }
            ++tabla.filas;
        }
        return tabla.filas - antes;
    }

    SQLULEN leidas = 0;
    SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(FilasPorBloque), 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0);
    for (std::size_t i = 0; i < enlaces.size(); ++i) {
        Enlace& e = enlaces[i];
        e.indicadores.resize(FilasPorBloque);
        const SQLUSMALLINT n = SQLUSMALLINT(i + 1);
        SQLRETURN r;
        if (e.numerica) {
            e.numeros.resize(FilasPorBloque);
            r = SQLBindCol(h, n, SQL_C_DOUBLE, e.numeros.data(), sizeof(double),
                           e.indicadores.data());
        } else {
            e.textos.resize(std::size_t(e.caracteres) * FilasPorBloque);
            r = SQLBindCol(h, n, SQL_C_WCHAR, e.textos.data(),
                           e.caracteres * SQLLEN(sizeof(char16_t)), e.indicadores.data());
        }
        Comprueba(r, h, ubicacion);
    }

    while (Avanza(h, ubicacion)) {
        for (std::size_t i = 0; i < enlaces.size(); ++i) {
            const Enlace& e = enlaces[i];
            ColumnaDatos& c = tabla.columnas[i];
            for (SQLULEN f = 0; f < leidas; ++f) {
                const SQLLEN ind = e.indicadores[f];
                if (e.numerica) {
                    c.Agrega(ind == SQL_NULL_DATA ? 0.0 : e.numeros[f]);
                    continue;
                }
                if (ind == SQL_NULL_DATA) {
                    c.Agrega(QStringView());
                    continue;
                }
                const char16_t* texto = e.textos.data() + std::size_t(e.caracteres) * f;
                c.Agrega(QStringView(texto, qsizetype(Largo(texto, std::size_t(e.caracteres)))));
            }
        }
        tabla.filas += leidas;
    }
    return tabla.filas - antes;
}

} // namespace

QString UbicacionSql(const QString& ubicacion) {
    auto cita = [](QString nombre) {
        return QLatin1Char('`') + nombre.replace(QLatin1Char('`'), QStringLiteral("``")) +
               QLatin1Char('`');
    };
    const qsizetype punto = ubicacion.indexOf(QLatin1Char('.'));
    if (punto < 0)
        return cita(ubicacion);
    return cita(ubicacion.left(punto)) + QLatin1Char('.') + cita(ubicacion.mid(punto + 1));
}

QString CadenaConexion(const QString& fuente, const QString& texto,
                       std::chrono::seconds respuesta) {
    QString nombre = fuente;
    if (nombre.contains(QLatin1Char(';')) || nombre.contains(QLatin1Char('{')) ||
        nombre.contains(QLatin1Char('}')) || nombre != nombre.trimmed())
        nombre = QLatin1Char('{') + nombre.replace(QLatin1Char('}'), QStringLiteral("}}")) +
                 QLatin1Char('}');
    const QString plazo = QString::number(respuesta.count());
    return QStringLiteral("DSN=") + nombre + QStringLiteral(";READ_TIMEOUT=") + plazo +
           QStringLiteral(";WRITE_TIMEOUT=") + plazo + QLatin1Char(';') + texto;
}

ConexionOdbc::ConexionOdbc(const QString& cadena) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &entorno_)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(entorno_, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, entorno_, &conexion_))) {
        if (entorno_ != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, entorno_);
        throw ErrorMotor(errores::SinFuenteDatos, QStringLiteral("No se pudo iniciar ODBC."));
    }
    SQLSetConnectAttr(conexion_, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(SegundosParaEntrar), 0);
    std::u16string texto = Ancho(cadena);
    const SQLRETURN r = SQLDriverConnectW(conexion_, nullptr, Ptr(texto), SQLSMALLINT(texto.size()),
                                          nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        const Diagnostico d = LeeDiagnostico(SQL_HANDLE_DBC, conexion_);
        SQLFreeHandle(SQL_HANDLE_DBC, conexion_);
        SQLFreeHandle(SQL_HANDLE_ENV, entorno_);
        conexion_ = SQL_NULL_HDBC;
        entorno_ = SQL_NULL_HENV;
        if (d.estado == QLatin1String("28000") || d.nativo == comun::mysql::AccesoNegado ||
            d.nativo == comun::mysql::AccesoNegadoSinClave)
            throw ErrorMotor(errores::AccesoNegado,
                             QStringLiteral("El servidor rechazó el usuario o la contraseña del "
                                            "reporte: %1")
                                 .arg(d.mensaje));
        if (d.estado == QLatin1String("IM002"))
            throw ErrorMotor(
                errores::SinFuenteDatos,
                QStringLiteral("No existe el origen de datos del reporte: %1").arg(d.mensaje));
        throw ErrorMotor(errores::SinFuenteDatos,
                         QStringLiteral("No se pudo conectar con el origen de datos del reporte: "
                                        "[%1] %2")
                             .arg(d.estado, d.mensaje));
    }
    conectada_ = true;
}

ConexionOdbc::~ConexionOdbc() {
    if (conexion_ != SQL_NULL_HDBC) {
        if (conectada_)
            SQLDisconnect(conexion_);
        SQLFreeHandle(SQL_HANDLE_DBC, conexion_);
    }
    if (entorno_ != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, entorno_);
}

TablaDatos ConexionOdbc::Lee(const QString& ubicacion, const std::vector<ColumnaPedida>& columnas) {
    QStringList lista;
    for (const ColumnaPedida& c : columnas)
        lista << UbicacionSql(c.nombre);
    const QString consulta = QStringLiteral("SELECT ") + lista.join(QLatin1Char(',')) +
                             QStringLiteral(" FROM ") + UbicacionSql(ubicacion);
    std::size_t filas = 0;
    {
        // The count sizes the table (MyISAM keeps it, so it costs nothing there).
        Sentencia cuenta(conexion_);
        Corre(cuenta.h(), QStringLiteral("SELECT COUNT(*) FROM ") + UbicacionSql(ubicacion),
              ubicacion);
        if (Avanza(cuenta.h(), ubicacion))
            filas = std::size_t(NumeroDe(cuenta.h(), 1));
    }
    TablaDatos tabla;
    for (const ColumnaPedida& c : columnas) {
        tabla.columnas.emplace_back(c.nombre, c.tipo);
        tabla.columnas.back().Reserva(filas);
    }
    // A large table in ranges of its stored order, each a scan from the start that hands over
    // only its rows: the server's scan is cheap next to the driver holding every row.
    const bool porTramos = filasPorTramo_ > 0 && filas > filasPorTramo_;
    tramos_ = 0;
    for (std::size_t desde = 0;; desde += filasPorTramo_) {
        Sentencia st(conexion_);
        Corre(st.h(),
              porTramos ? consulta + QStringLiteral(" LIMIT %1, %2").arg(desde).arg(filasPorTramo_)
                        : consulta,
              ubicacion);
        ++tramos_;
        if (AgregaFilas(st.h(), ubicacion, columnas, tabla) < filasPorTramo_ || !porTramos)
            return tabla;
    }
}

void ConexionOdbc::Ejecuta(const QString& sql, const QString& ubicacion) {
    Sentencia st(conexion_);
    Corre(st.h(), sql, ubicacion);
}

Clasificacion ConexionOdbc::Clasifica(const QString& ubicacion, const QString& columna) {
    if (!listas_) {
        // A class lists each byte form of its values; the default of 1024 bytes is too short
        // for a column with many forms of one value.
        Ejecuta(QStringLiteral("SET SESSION group_concat_max_len = 16777216"), ubicacion);
        listas_ = true;
    }
    // The database groups and orders the column under its own collation; HEX over utf8mb4
    // gives every distinct form of the values in a class, byte for byte.
    const QString c = UbicacionSql(columna);
    const QString forma = QStringLiteral("HEX(CONVERT(%1 USING utf8mb4))").arg(c);
    Sentencia st(conexion_);
    const SQLHSTMT h = st.h();
    Corre(h,
          QStringLiteral("SELECT %1, GROUP_CONCAT(DISTINCT %2) FROM %3 GROUP BY %4 ORDER BY %4")
              .arg(forma, forma, UbicacionSql(ubicacion), c),
          ubicacion);
    Clasificacion clases;
    std::size_t rango = 0;
    while (Avanza(h, ubicacion)) {
        bool nulo = false;
        const QStringList representante = DeHex(TextoDe(h, 1, &nulo));
        const QStringList formas = DeHex(TextoDe(h, 2));
        // A NULL reads as the empty text, as Lee gives it.
        const Clase clase{rango++, nulo || representante.isEmpty() ? QString() : representante[0]};
        if (nulo && !clases.contains(QString()))
            clases.insert(QString(), clase);
        for (const QString& f : formas)
            clases.insert(f, clase);
    }
    return clases;
}

QHash<QString, QString> ConexionOdbc::Busca(const QString& ubicacion, const QString& columnaClave,
                                            const QString& columnaValor,
                                            const std::vector<QString>& claves) {
    QHash<QString, QString> valores;
    // Each key as a literal of its UTF-8 bytes: it compares as a quoted literal would (it takes
    // the column's collation, whatever the other tables have) and needs no escaping. Not a
    // parameter: the driver cuts some wide parameters ("ÑÚ01" arrives as less).
    const QString una = QStringLiteral("(SELECT %1, %2 FROM %3 WHERE %4=_utf8mb4 X'%5' LIMIT 1)");
    for (std::size_t desde = 0; desde < claves.size(); desde += ClavesPorConsulta) {
        const std::size_t n = std::min(ClavesPorConsulta, claves.size() - desde);
        QStringList partes;
        for (std::size_t i = 0; i < n; ++i)
            partes << una.arg(QString::number(i), UbicacionSql(columnaValor),
                              UbicacionSql(ubicacion), UbicacionSql(columnaClave),
                              QString::fromLatin1(claves[desde + i].toUtf8().toHex()));
        Sentencia st(conexion_);
        const SQLHSTMT h = st.h();
        Corre(h, partes.join(QStringLiteral(" UNION ALL ")), ubicacion);
        while (Avanza(h, ubicacion)) {
            bool ok = false;
            const std::size_t i = TextoDe(h, 1).toULongLong(&ok);
            if (ok && i < n && !valores.contains(claves[desde + i]))
                valores.insert(claves[desde + i], TextoDe(h, 2));
        }
    }
    return valores;
}

} // namespace motor
