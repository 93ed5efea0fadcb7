#include "mail/clientes/CorreosClientes.h"

#include "host/Recordset.h"
#include "mail/ErroresCorreo.h"

namespace correo {

namespace {

constexpr qsizetype kClavesPorConsulta = 200;

QString Identificador(const QString& nombre) {
    QString n = nombre;
    return QLatin1Char('`') + n.replace(QLatin1Char('`'), QStringLiteral("``")) + QLatin1Char('`');
}

QStringList ColumnasDeClientes(qm::Conexion& cn) {
    qm::Recordset rs = cn.Consulta(QStringLiteral(
        "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() "
        "AND TABLE_NAME='clientes' ORDER BY ORDINAL_POSITION"));
    QStringList columnas;
    for (; !rs.Eof(); rs.MoveNext())
        columnas << rs.Valor(0).toString();
    return columnas;
}

} // namespace

QString ColumnaCorreo(qm::Conexion& cn, const QString& nombrada) {
    const QStringList columnas = ColumnasDeClientes(cn);
    auto busca = [&](const QString& nombre) {
        for (const QString& c : columnas)
            if (c.compare(nombre, Qt::CaseInsensitive) == 0)
                return c;
        return QString();
    };
    if (!nombrada.trimmed().isEmpty()) {
        const QString c = busca(nombrada.trimmed());
        if (c.isEmpty())
            throw motor::ErrorMotor(
                errores::AjustesNoValidos,
                QStringLiteral("La tabla clientes no tiene la columna \"%1\" que Quiltaro.ini "
                               "nombra en \"Columna de correo\".")
                    .arg(nombrada.trimmed()));
        return c;
    }
    for (const char* nombre : {"Email", "Correo", "CorreoElectronico"})
        if (const QString c = busca(QString::fromLatin1(nombre)); !c.isEmpty())
            return c;
    return {};
}

QHash<QString, QString> CorreosDeClientes(qm::Conexion& cn, const QString& columna,
                                          const QStringList& claves) {
    QHash<QString, QString> correos;
    if (columna.isEmpty())
        return correos;
    for (qsizetype desde = 0; desde < claves.size(); desde += kClavesPorConsulta) {
        const qsizetype n = std::min(kClavesPorConsulta, claves.size() - desde);
        QStringList partes;
        for (qsizetype i = 0; i < n; ++i)
            partes << QStringLiteral("(SELECT %1, %2 FROM clientes WHERE Clave='%3' LIMIT 1)")
                          .arg(QString::number(i), Identificador(columna),
                               cn.Escapa(claves[desde + i]));
        qm::Recordset rs = cn.Consulta(partes.join(QStringLiteral(" UNION ALL ")));
        for (; !rs.Eof(); rs.MoveNext())
            correos.insert(claves[desde + rs.Valor(0).toLongLong()], rs.Valor(1).toString());
    }
    return correos;
}

QHash<QString, CorreosCliente> CorreosDelReporte(qm::Conexion& cn, const QString& columnaNombrada,
                                                 const QString& carpetaAjustes,
                                                 const QStringList& claves) {
    const QHash<QString, QString> deLaTabla =
        CorreosDeClientes(cn, ColumnaCorreo(cn, columnaNombrada), claves);
    const QHash<QString, CorreosDelArchivo> delArchivo = LeeCorreos(ArchivoCorreos(carpetaAjustes));
    QHash<QString, const CorreosDelArchivo*> sinMayusculas;
    for (auto f = delArchivo.cbegin(); f != delArchivo.cend(); ++f)
        sinMayusculas.insert(f.key().toCaseFolded(), &f.value());
    QHash<QString, CorreosCliente> correos;
    for (const QString& clave : claves) {
        const auto exacta = delArchivo.constFind(clave.trimmed());
        const CorreosDelArchivo* fila = exacta != delArchivo.cend()
                                            ? &exacta.value()
                                            : sinMayusculas.value(clave.trimmed().toCaseFolded());
        correos.insert(clave, DireccionesDe(deLaTabla.value(clave), fila));
    }
    return correos;
}

} // namespace correo
