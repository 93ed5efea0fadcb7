#include "host/GuardaFilas.h"

#include "host/Error.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstdio>

namespace qm {

namespace {

QString Identificador(const QString& nombre) {
    QString n = nombre;
    n.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + n + QLatin1Char('`');
}

// Seventeen significant digits with an exponent: a double literal that reads back bit for bit.
QString Doble(double v) {
    if (!std::isfinite(v))
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("Un número no finito no se puede guardar"));
    char texto[40];
    std::snprintf(texto, sizeof texto, "%.16e", v);
    return QString::fromLatin1(texto);
}

} // namespace

QVariant Ajusta(const Columna& c, const QVariant& valor) {
    if (valor.isNull())
        return QVariant();
    const int tipo = valor.metaType().id();
    switch (c.clase) {
    case Clase::Entero:
        if (tipo == QMetaType::Double || tipo == QMetaType::Float)
            return QVariant(static_cast<qlonglong>(std::llround(valor.toDouble())));
        if (tipo == QMetaType::ULongLong)
            return valor;
        if (bool ok = false; valor.toLongLong(&ok), ok)
            return QVariant(valor.toLongLong());
        return valor;
    case Clase::Flotante:
    case Clase::Doble:
    case Clase::Decimal:
        if (bool ok = false; valor.toDouble(&ok), ok)
            return QVariant(valor.toDouble());
        return valor;
    case Clase::Fecha:
        if (tipo == QMetaType::QDate)
            return valor;
        if (tipo == QMetaType::QDateTime)
            return QVariant(valor.toDateTime().date());
        if (tipo == QMetaType::QString) {
            const QDate f = QDate::fromString(valor.toString(), Qt::ISODate);
            return f.isValid() ? QVariant(f) : valor;
        }
        return valor;
    case Clase::Texto:
        if (tipo == QMetaType::Double)
            return QVariant(QString::number(valor.toDouble(), 'g', 17));
        return QVariant(valor.toString());
    case Clase::Binario:
    case Clase::Otro:
        break;
    }
    return valor;
}

EscritorFilas::EscritorFilas(Conexion::Sesion& sesion, const std::vector<Columna>& columnas)
    : sesion_(sesion), columnas_(columnas) {}

QString EscritorFilas::Literal(const QVariant& v) const {
    if (v.isNull())
        return QStringLiteral("NULL");
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QString::number(v.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return Doble(v.toDouble());
    case QMetaType::QDate:
        return v.toDate().isValid()
                   ? QLatin1Char('\'') + v.toDate().toString(Qt::ISODate) + QLatin1Char('\'')
                   : QStringLiteral("NULL");
    case QMetaType::QDateTime:
        return QLatin1Char('\'') +
               v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
               QLatin1Char('\'');
    case QMetaType::QTime:
        return QLatin1Char('\'') + v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
               QLatin1Char('\'');
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(v.toByteArray().toHex()) +
               QLatin1Char('\'');
    default:
        break;
    }
    return QLatin1Char('\'') + sesion_.Escapa(v.toString()) + QLatin1Char('\'');
}

// How the row as read is found again: <=> matches NULLs too; floats and decimals compare in
// the column's own precision; text compares exactly as well, not only under the collation.
QString EscritorFilas::Condicion(const Columna& c, const QVariant& v) const {
    const QString col = Identificador(c.nombreBase);
    if (v.isNull())
        return col + QStringLiteral(" IS NULL");
    const QString literal = Literal(v);
    switch (c.clase) {
    case Clase::Flotante:
        if (v.metaType().id() == QMetaType::Double)
            return col + QStringLiteral(" <=> CAST(%1 AS FLOAT)").arg(literal);
        break;
    case Clase::Decimal:
        if (v.metaType().id() == QMetaType::Double) {
            const unsigned long digitos =
                c.longitud - (c.decimales > 0 ? 1 : 0) - (c.sinSigno ? 0 : 1);
            return col + QStringLiteral(" <=> CAST(%1 AS DECIMAL(%2,%3))")
                             .arg(literal)
                             .arg(qMax<unsigned long>(digitos, 1))
                             .arg(c.decimales);
        }
        break;
    case Clase::Texto:
        return QStringLiteral(
                   "(%1 <=> %2 AND CONVERT(%1 USING utf8mb4) COLLATE utf8mb4_bin <=> %2)")
            .arg(col, literal);
    default:
        break;
    }
    return col + QStringLiteral(" <=> ") + literal;
}

QString EscritorFilas::Tabla() const {
    const Columna* primera = nullptr;
    for (const Columna& c : columnas_) {
        if (c.tabla.isEmpty())
            continue;
        if (primera && (c.tabla != primera->tabla || c.base != primera->base))
            throw Error(errores::ArgumentoInvalido,
                        QStringLiteral("Solo se pueden guardar filas de una consulta a una tabla"));
        primera = &c;
    }
    if (!primera)
        throw Error(errores::ArgumentoInvalido,
                    QStringLiteral("La consulta no lee ninguna tabla en la que guardar filas"));
    return (primera->base.isEmpty() ? QString() : Identificador(primera->base) + QLatin1Char('.')) +
           Identificador(primera->tabla);
}

std::vector<QVariant> EscritorFilas::Inserta(const CambiosFila& cambios) {
    QStringList nombres, valores;
    std::vector<QVariant> fila(columnas_.size());
    for (std::size_t i = 0; i < columnas_.size(); ++i) {
        if (!cambios[i])
            continue;
        nombres << Identificador(columnas_[i].nombreBase);
        valores << Literal(*cambios[i]);
        fila[i] = *cambios[i];
    }
    const QString sql =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(Tabla(), nombres.join(QStringLiteral(", ")), valores.join(QStringLiteral(", ")));
    sesion_.Envia(sql);
    const unsigned long long id = mysql_insert_id(sesion_.mysql.get());
    for (std::size_t i = 0; i < columnas_.size(); ++i)
        if (columnas_[i].autoincremento && !cambios[i] && id != 0)
            fila[i] = QVariant(static_cast<qlonglong>(id));
    return fila;
}

void EscritorFilas::Actualiza(const std::vector<QVariant>& fila, const CambiosFila& cambios) {
    QStringList asignaciones, condiciones;
    for (std::size_t i = 0; i < columnas_.size(); ++i) {
        if (columnas_[i].nombreBase.isEmpty())
            continue;
        condiciones << Condicion(columnas_[i], fila[i]);
        if (cambios[i])
            asignaciones << Identificador(columnas_[i].nombreBase) + QStringLiteral(" = ") +
                                Literal(*cambios[i]);
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 LIMIT 1")
                            .arg(Tabla(), asignaciones.join(QStringLiteral(", ")),
                                 condiciones.join(QStringLiteral(" AND ")));
    sesion_.Envia(sql);
    if (sesion_.FilasEncontradas() == 0)
        throw Error(errores::FinDeFilas,
                    QStringLiteral("La fila a modificar ya no está en la tabla %1").arg(Tabla()));
}

} // namespace qm
