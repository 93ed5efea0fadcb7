#include "host/BloqueoNombrado.h"

#include "host/Error.h"
#include "host/Recordset.h"

#include <QCryptographicHash>
#include <algorithm>

namespace qm {

namespace {

// MySQL's number for a statement ended by KILL, which is what a NULL from GET_LOCK means.
constexpr long ConsultaInterrumpida = 1317;

// The length of the text that holds its first `letras` characters (a character outside the
// basic plane takes two UTF-16 units).
qsizetype Unidades(const QString& texto, int letras) {
    qsizetype i = 0;
    for (int n = 0; n < letras && i < texto.size(); ++n)
        i += (texto.at(i).isHighSurrogate() && i + 1 < texto.size()) ? 2 : 1;
    return i;
}

int Letras(const QString& texto) {
    int n = 0;
    for (qsizetype i = 0; i < texto.size(); ++n)
        i += (texto.at(i).isHighSurrogate() && i + 1 < texto.size()) ? 2 : 1;
    return n;
}

QString Literal(Conexion& cn, const QString& texto) {
    return QLatin1Char('\'') + cn.Escapa(texto) + QLatin1Char('\'');
}

} // namespace

QString BloqueoNombrado::NombreSeguro(const QString& nombre) {
    if (Letras(nombre) <= LargoMaximo)
        return nombre;
    const QByteArray hash =
        QCryptographicHash::hash(nombre.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    const int letras = LargoMaximo - 1 - int(hash.size());
    return nombre.left(Unidades(nombre, letras)) + QLatin1Char('#') + QString::fromLatin1(hash);
}

BloqueoNombrado::BloqueoNombrado(Conexion cn, const QString& nombre, std::chrono::seconds espera,
                                 const std::function<void()>& entretanto)
    : cn_(std::move(cn)), nombre_(NombreSeguro(nombre)) {
    const std::chrono::seconds segundos = std::max(std::chrono::seconds(0), espera);
    const QVariant r = cn_.Consulta(QStringLiteral("SELECT GET_LOCK(%1, %2)")
                                        .arg(Literal(cn_, nombre_))
                                        .arg(segundos.count()),
                                    segundos + cn_.plazoRespuesta(), entretanto)
                           .Valor(0);
    if (r.isNull())
        throw Error(
            ConsultaInterrumpida,
            QStringLiteral("El servidor interrumpió la espera del bloqueo «%1».").arg(nombre_));
    tomado_ = r.toLongLong() == 1;
}

BloqueoNombrado::~BloqueoNombrado() {
    Libera();
}

bool BloqueoNombrado::Vigente() {
    if (!tomado_)
        return false;
    const QVariant r = cn_.Consulta(QStringLiteral("SELECT IS_USED_LOCK(%1) = CONNECTION_ID()")
                                        .arg(Literal(cn_, nombre_)))
                           .Valor(0);
    return !r.isNull() && r.toLongLong() == 1;
}

void BloqueoNombrado::Libera() noexcept {
    if (!tomado_)
        return;
    tomado_ = false;
    try {
        // A closed connection has given it back with its session.
        if (cn_.abierta())
            cn_.Execute(QStringLiteral("DO RELEASE_LOCK(%1)").arg(Literal(cn_, nombre_)));
    } catch (...) {
    }
}

} // namespace qm
