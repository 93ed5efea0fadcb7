// The workbook writer: libxlsxwriter in its constant-memory mode, which sends each row to a
// temporary file as the next one starts, so the memory stays flat however long the report.
// Rows therefore go strictly in order, and every call's answer is checked: a row the library
// refuses fails the whole file, never drops out of it.
#include "reportengine/ArchivoSeguro.h"
#include "reportengine/Exportacion.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <xlsxwriter.h>

namespace motor {

namespace {

// A sheet holds 1,048,576 rows: the headings and this many below them.
constexpr std::size_t FilasPorHoja = 1048575;
// Rows between two calls to the progress callback.
constexpr std::size_t PasoAvance = 2048;
// Room in the temporary folder, beyond a sheet's rows, for the rest of the workbook's parts.
constexpr qint64 Holgura = 1 << 20;

// Text as UTF-8 in one buffer reused cell after cell: the library copies what it keeps.
class Utf8 {
public:
    const char* operator()(QStringView texto) {
        buffer_.resize(std::size_t(codificador_.requiredSpace(texto.size())) + 1);
        char* fin = codificador_.appendToBuffer(buffer_.data(), texto);
        *fin = '\0';
        return buffer_.data();
    }

private:
    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<char> buffer_;
};

// "yyyy-mm-dd" as a date; false for any other text.
bool Fecha(QStringView t, lxw_datetime& fecha) {
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return false;
    const auto numero = [&t](int desde, int cifras, int& valor) {
        valor = 0;
        for (int i = desde; i < desde + cifras; ++i) {
            if (t[i] < u'0' || t[i] > u'9')
                return false;
            valor = valor * 10 + (t[i].unicode() - u'0');
        }
        return true;
    };
    int anio = 0, mes = 0, dia = 0;
    if (!numero(0, 4, anio) || !numero(5, 2, mes) || !numero(8, 2, dia) ||
        !QDate::isValid(anio, mes, dia))
        return false;
    fecha = {anio, uint8_t(mes), uint8_t(dia), 0, 0, 0.0};
    return true;
}

// A workbook being written. Closed only by Cierra(); dropped unwritten otherwise (a failure or
// a cancel), so that abandoning a large workbook costs nothing.
class Libro {
public:
    explicit Libro(const QByteArray& ruta) : temporales_(QFile::encodeName(QDir::tempPath())) {
        lxw_workbook_options opciones{};
        opciones.constant_memory = LXW_TRUE;
        opciones.tmpdir = temporales_.data();
        libro_ = workbook_new_opt(ruta.constData(), &opciones);
    }
    ~Libro() {
        if (!libro_)
            return;
        for (lxw_worksheet* h : hojas_) {
            if (h->optimize_tmpfile)
                std::fclose(h->optimize_tmpfile);
        }
        lxw_workbook_free(libro_);
    }
    Libro(const Libro&) = delete;
    Libro& operator=(const Libro&) = delete;

    lxw_workbook* get() const { return libro_; }
    lxw_worksheet* NuevaHoja(const char* nombre) {
        lxw_worksheet* h = workbook_add_worksheet(libro_, nombre);
        if (h)
            hojas_.push_back(h);
        return h;
    }
    // The library neither checks its writes to the temporary files nor tells of a failed
    // one: a full temporary folder would make a workbook with rows cut off, reported as
    // written. So: every sheet's rows so far went to its file, and the folder has room for the
    // largest sheet once more, which closing the workbook copies there before zipping it.
    // 0, or the system's error number.
    int RevisaTemporales() const {
        long mayor = 0;
        for (lxw_worksheet* h : hojas_) {
            if (!h->optimize_tmpfile)
                continue; // rows held in memory: nothing on disk to check
            errno = 0;
            if (std::fflush(h->optimize_tmpfile) != 0 || std::ferror(h->optimize_tmpfile))
                return errno != 0 ? errno : EIO;
            mayor = std::max(mayor, std::ftell(h->optimize_tmpfile));
        }
        const qint64 libre = QStorageInfo(QString::fromLocal8Bit(temporales_)).bytesAvailable();
        return libre >= 0 && libre < mayor + Holgura ? ENOSPC : 0;
    }
    lxw_error Cierra() {
        const lxw_error e = workbook_close(libro_);
        libro_ = nullptr;
        return e;
    }

private:
    QByteArray temporales_;
    lxw_workbook* libro_ = nullptr;
    std::vector<lxw_worksheet*> hojas_;
};

class Escritura {
public:
    Escritura(ArchivoSeguro& archivo, const AvanceSalida& avance, std::size_t total)
        : archivo_(archivo), avance_(avance), total_(total),
          libro_(QFile::encodeName(archivo.RutaTemporal())) {
        if (!libro_.get())
            throw archivo_.Error(QStringLiteral("no se pudo crear el libro."));
        titulo_ = Formato();
        format_set_bold(titulo_);
        numero_ = Formato();
        format_set_num_format(numero_, "#,##0.00");
        fecha_ = Formato();
        format_set_num_format(fecha_, "dd/mm/yyyy");
    }

    // A sheet past the row limit goes on in "<name> (2)", "<name> (3)"..., headings repeated.
    void Hoja(const motor::Hoja& h) {
        std::size_t desde = 0;
        for (std::size_t parte = 0; parte == 0 || desde < h.filas; ++parte) {
            const std::size_t hasta = std::min(h.filas, desde + FilasPorHoja);
            const QString nombre =
                parte == 0 ? h.nombre : QStringLiteral("%1 (%2)").arg(h.nombre).arg(parte + 1);
            Parte(h, nombre, desde, hasta);
            desde = hasta;
        }
    }

    void Cierra() {
        Avanza();
        if (const int e = libro_.RevisaTemporales()) {
            const QString carpeta = QDir::toNativeSeparators(QDir::tempPath());
            throw archivo_.Error(
                e == ENOSPC
                    ? QStringLiteral("no queda espacio en la carpeta temporal «%1».").arg(carpeta)
                    : QStringLiteral("falló la carpeta temporal «%1»: %2.")
                          .arg(carpeta,
                               QString::fromStdString(std::generic_category().message(e))));
        }
        errno = 0;
        const lxw_error e = libro_.Cierra();
        // The file errors leave the system's reason in errno (a full disk, mostly).
        const int sistema = errno;
        const bool deArchivo = e == LXW_ERROR_CREATING_XLSX_FILE ||
                               e == LXW_ERROR_CREATING_TMPFILE ||
                               e == LXW_ERROR_ZIP_FILE_OPERATION || e == LXW_ERROR_ZIP_FILE_ADD ||
                               e == LXW_ERROR_ZIP_CLOSE;
        if (e != LXW_NO_ERROR)
            throw deArchivo && sistema != 0 ? archivo_.Error(sistema)
                                            : archivo_.Error(QString::fromUtf8(lxw_strerror(e)));
    }

private:
    lxw_format* Formato() {
        lxw_format* f = workbook_add_format(libro_.get());
        if (!f)
            throw archivo_.Error(QStringLiteral("no se pudo crear un formato del libro."));
        return f;
    }

    void Parte(const motor::Hoja& h, const QString& nombre, std::size_t desde, std::size_t hasta) {
        const char* n = utf8_(nombre);
        if (workbook_validate_sheet_name(libro_.get(), n) != LXW_NO_ERROR)
            throw archivo_.Error(QStringLiteral("«%1» no sirve como nombre de hoja.").arg(nombre));
        errno = 0;
        hoja_ = libro_.NuevaHoja(n);
        if (!hoja_) {
            const int sistema = errno;
            throw sistema != 0
                ? archivo_.Error(sistema)
                : archivo_.Error(QStringLiteral("no se pudo crear la hoja «%1».").arg(nombre));
        }
        nombre_ = nombre;
        const auto columnas = lxw_col_t(h.columnas.size());
        // Widths and formats before the rows, as the mode asks.
        for (lxw_col_t c = 0; c < columnas; ++c) {
            const TipoCelda tipo = h.columnas[c].tipo;
            const double ancho = tipo == TipoCelda::Numero ? 15 : c == 1 ? 32 : 12;
            Comprueba(worksheet_set_column(hoja_, c, c, ancho,
                                           tipo == TipoCelda::Numero  ? numero_
                                           : tipo == TipoCelda::Fecha ? fecha_
                                                                      : nullptr),
                      0);
        }
        for (lxw_col_t c = 0; c < columnas; ++c)
            Comprueba(worksheet_write_string(hoja_, 0, c, utf8_(h.columnas[c].titulo), titulo_), 0);
        for (std::size_t f = desde; f < hasta; ++f) {
            Fila(h, f, lxw_row_t(f - desde + 1));
            if (++hechas_ % PasoAvance == 0)
                Avanza();
        }
        worksheet_freeze_panes(hoja_, 1, 0);
        if (columnas > 0)
            Comprueba(worksheet_autofilter(hoja_, 0, 0, lxw_row_t(hasta - desde), columnas - 1), 0);
    }

    void Fila(const motor::Hoja& h, std::size_t f, lxw_row_t fila) {
        const auto columnas = lxw_col_t(h.columnas.size());
        for (lxw_col_t c = 0; c < columnas; ++c) {
            const Celda v = h.celda(f, c);
            switch (h.columnas[c].tipo) {
            case TipoCelda::Numero:
                Comprueba(worksheet_write_number(hoja_, fila, c, v.numero, numero_), fila);
                break;
            case TipoCelda::Fecha:
                if (lxw_datetime d; Fecha(v.texto, d))
                    Comprueba(worksheet_write_datetime(hoja_, fila, c, &d, fecha_), fila);
                else if (!v.texto.isEmpty())
                    Comprueba(worksheet_write_string(hoja_, fila, c, utf8_(v.texto), nullptr),
                              fila);
                break;
            case TipoCelda::Texto:
                if (!v.texto.isEmpty())
                    Comprueba(worksheet_write_string(hoja_, fila, c, utf8_(v.texto), nullptr),
                              fila);
                break;
            }
        }
    }

    void Comprueba(lxw_error e, lxw_row_t fila) {
        if (e == LXW_NO_ERROR)
            return;
        throw archivo_.Error(QStringLiteral("la fila %1 de la hoja «%2» no se pudo escribir (%3).")
                                 .arg(qulonglong(fila) + 1)
                                 .arg(nombre_, QString::fromUtf8(lxw_strerror(e))));
    }

    void Avanza() {
        if (avance_ && !avance_(hechas_, total_))
            throw ErrorMotor(errores::Cancelado,
                             QStringLiteral("Se canceló la escritura de «%1»; el archivo anterior "
                                            "quedó como estaba.")
                                 .arg(QDir::toNativeSeparators(archivo_.ruta())));
    }

    ArchivoSeguro& archivo_;
    const AvanceSalida& avance_;
    const std::size_t total_;
    std::size_t hechas_ = 0;
    Libro libro_;
    Utf8 utf8_;
    lxw_format* titulo_ = nullptr;
    lxw_format* numero_ = nullptr;
    lxw_format* fecha_ = nullptr;
    lxw_worksheet* hoja_ = nullptr;
    QString nombre_;
};

} // namespace

void EscribeXlsx(const std::vector<Hoja>& hojas, const QString& ruta, const AvanceSalida& avance) {
    ArchivoSeguro archivo(ruta);
    std::size_t total = 0;
    for (const Hoja& h : hojas)
        total += h.filas;
    {
        Escritura escritura(archivo, avance, total);
        for (const Hoja& h : hojas)
            escritura.Hoja(h);
        escritura.Cierra();
    }
    archivo.Confirma();
}

} // namespace motor
