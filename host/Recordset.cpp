#include "host/Recordset.h"

#include "host/Error.h"
#include "host/GuardaFilas.h"
#include "host/Sesion.h"

#include <QDate>
#include <climits>

namespace qm {

namespace {

// The server's number of the "binary" character set: the column holds bytes, not text.
constexpr unsigned JuegoBinario = 63;

Clase ClaseDe(const MYSQL_FIELD& f) {
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
    case MYSQL_TYPE_BIT:
        return Clase::Entero;
    case MYSQL_TYPE_FLOAT:
        return Clase::Flotante;
    case MYSQL_TYPE_DOUBLE:
        return Clase::Doble;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return Clase::Decimal;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return Clase::Fecha;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_JSON:
        return f.charsetnr == JuegoBinario ? Clase::Binario : Clase::Texto;
    case MYSQL_TYPE_GEOMETRY:
        return Clase::Binario;
    default: // DATETIME, TIMESTAMP, TIME: kept as the server's text
        return Clase::Otro;
    }
}

QVariant ValorDe(const Columna& c, const char* dato, unsigned long longitud) {
    if (!dato)
        return QVariant();
    const QByteArray texto(dato, static_cast<qsizetype>(longitud));
    switch (c.clase) {
    case Clase::Entero: {
        if (c.sinSigno) {
            const qulonglong v = texto.toULongLong();
            if (v > static_cast<qulonglong>(LLONG_MAX))
                return QVariant(v);
            return QVariant(static_cast<qlonglong>(v));
        }
        bool ok = false;
        const qlonglong v = texto.toLongLong(&ok);
        if (ok)
            return QVariant(v);
        // BIT comes as big-endian bytes.
        qlonglong bits = 0;
        for (char b : texto)
            bits = (bits << 8) | static_cast<unsigned char>(b);
        return QVariant(bits);
    }
    case Clase::Flotante:
    case Clase::Doble:
    case Clase::Decimal:
        return QVariant(texto.toDouble());
    case Clase::Fecha: {
        const QDate fecha = QDate::fromString(QString::fromLatin1(texto), Qt::ISODate);
        return fecha.isValid() ? QVariant(fecha) : QVariant(QString::fromLatin1(texto));
    }
    case Clase::Binario:
        return QVariant(texto);
    case Clase::Texto:
    case Clase::Otro:
        break;
    }
    return QVariant(QString::fromUtf8(texto));
}

} // namespace

struct Recordset::Datos {
    std::shared_ptr<Conexion::Sesion> sesion;
    std::vector<Columna> columnas;
    std::vector<std::vector<QVariant>> filas;
    std::size_t actual = 0;
    bool agregando = false;
    CambiosFila cambios; // pending values of the new or current row

    int Indice(const QString& campo) const {
        for (std::size_t i = 0; i < columnas.size(); ++i)
            if (columnas[i].nombre.compare(campo, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        throw Error(errores::CampoNoEncontrado,
                    QStringLiteral("No se encontró el campo %1 en la colección").arg(campo));
    }
    void CompruebaIndice(int indice) const {
        if (indice < 0 || static_cast<std::size_t>(indice) >= columnas.size())
            throw Error(errores::CampoNoEncontrado,
                        QStringLiteral("No se encontró el campo número %1").arg(indice));
    }
    bool HayCambios() const {
        for (const auto& c : cambios)
            if (c)
                return true;
        return false;
    }
    void DescartaCambios() {
        agregando = false;
        cambios.assign(columnas.size(), std::nullopt);
    }

    void Inserta() {
        filas.push_back(EscritorFilas(*sesion, columnas).Inserta(cambios));
        actual = filas.size() - 1;
        DescartaCambios();
    }
    void Actualiza() {
        std::vector<QVariant>& fila = filas[actual];
        EscritorFilas(*sesion, columnas).Actualiza(fila, cambios);
        for (std::size_t i = 0; i < columnas.size(); ++i)
            if (cambios[i])
                fila[i] = *cambios[i];
        DescartaCambios();
    }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

Recordset Recordset::Crea(std::shared_ptr<Conexion::Sesion> sesion, MYSQL_RES* resultado) {
    const ResultadoMysql r(resultado);
    auto datos = std::make_unique<Datos>();
    datos->sesion = std::move(sesion);
    if (r) {
        const unsigned int n = mysql_num_fields(r.get());
        const MYSQL_FIELD* campos = mysql_fetch_fields(r.get());
        for (unsigned int i = 0; i < n; ++i) {
            const MYSQL_FIELD& f = campos[i];
            Columna c;
            c.nombre = QString::fromUtf8(f.name, static_cast<qsizetype>(f.name_length));
            c.nombreBase = QString::fromUtf8(f.org_name, static_cast<qsizetype>(f.org_name_length));
            c.tabla = QString::fromUtf8(f.org_table, static_cast<qsizetype>(f.org_table_length));
            c.base = QString::fromUtf8(f.db, static_cast<qsizetype>(f.db_length));
            if (c.tabla.isEmpty())
                c.nombreBase.clear();
            c.clase = ClaseDe(f);
            c.longitud = f.length;
            c.decimales = f.decimals;
            c.sinSigno = (f.flags & UNSIGNED_FLAG) != 0;
            c.autoincremento = (f.flags & AUTO_INCREMENT_FLAG) != 0;
            datos->columnas.push_back(std::move(c));
        }
        datos->filas.reserve(static_cast<std::size_t>(mysql_num_rows(r.get())));
        while (MYSQL_ROW row = mysql_fetch_row(r.get())) {
            const unsigned long* longitudes = mysql_fetch_lengths(r.get());
            std::vector<QVariant> fila;
            fila.reserve(n);
            for (unsigned int i = 0; i < n; ++i)
                fila.push_back(ValorDe(datos->columnas[i], row[i], longitudes[i]));
            datos->filas.push_back(std::move(fila));
        }
    }
    datos->DescartaCambios();
    Recordset rs;
    rs.datos_ = std::move(datos);
    return rs;
}

bool Recordset::abierto() const {
    return datos_ != nullptr;
}

void Recordset::Cierra() {
    datos_.reset();
}

static Error RecordsetCerrado() {
    return Error(errores::ObjetoCerrado,
                 QStringLiteral("No se permite la operación: el recordset está cerrado"));
}

static Error SinFila() {
    return Error(errores::FinDeFilas, QStringLiteral("No hay una fila actual"));
}

bool Recordset::Eof() const {
    if (!datos_)
        throw RecordsetCerrado();
    return !datos_->agregando && datos_->actual >= datos_->filas.size();
}

void Recordset::MoveNext() {
    if (!datos_)
        throw RecordsetCerrado();
    if (datos_->agregando || datos_->HayCambios())
        Update();
    if (datos_->actual >= datos_->filas.size())
        throw SinFila();
    ++datos_->actual;
}

int Recordset::Campos() const {
    if (!datos_)
        throw RecordsetCerrado();
    return static_cast<int>(datos_->columnas.size());
}

QString Recordset::NombreCampo(int indice) const {
    if (!datos_)
        throw RecordsetCerrado();
    datos_->CompruebaIndice(indice);
    return datos_->columnas[static_cast<std::size_t>(indice)].nombre;
}

QVariant Recordset::Valor(const QString& campo) const {
    if (!datos_)
        throw RecordsetCerrado();
    return Valor(datos_->Indice(campo));
}

QVariant Recordset::Valor(int indice) const {
    if (!datos_)
        throw RecordsetCerrado();
    datos_->CompruebaIndice(indice);
    const auto i = static_cast<std::size_t>(indice);
    if (datos_->cambios[i])
        return *datos_->cambios[i];
    if (datos_->agregando)
        return QVariant();
    if (datos_->actual >= datos_->filas.size())
        throw SinFila();
    return datos_->filas[datos_->actual][i];
}

void Recordset::AddNew() {
    if (!datos_)
        throw RecordsetCerrado();
    if (datos_->agregando || datos_->HayCambios())
        Update();
    datos_->agregando = true;
}

void Recordset::Asigna(const QString& campo, const QVariant& valor) {
    if (!datos_)
        throw RecordsetCerrado();
    const auto i = static_cast<std::size_t>(datos_->Indice(campo));
    if (!datos_->agregando && datos_->actual >= datos_->filas.size())
        throw SinFila();
    const Columna& c = datos_->columnas[i];
    if (c.nombreBase.isEmpty())
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("El campo %1 no es una columna de una tabla").arg(campo));
    datos_->cambios[i] = Ajusta(c, valor);
}

void Recordset::Update() {
    if (!datos_)
        throw RecordsetCerrado();
    if (datos_->agregando) {
        datos_->Inserta();
        return;
    }
    if (!datos_->HayCambios())
        return;
    if (datos_->actual >= datos_->filas.size())
        throw SinFila();
    datos_->Actualiza();
}

int Recordset::filas() const {
    return datos_ ? static_cast<int>(datos_->filas.size()) : 0;
}

} // namespace qm
