#include "reportengine/TextoDiseno.h"

#include "reportengine/ErroresMotor.h"

#include <QStringList>
#include <optional>
#include <utility>

namespace motor {

namespace {

ErrorMotor Danada(const QString& detalle) {
    return ErrorMotor(errores::PlantillaDanada,
                      QStringLiteral("La plantilla del reporte está dañada: ") + detalle);
}

ErrorMotor DanadaEn(int linea, const QString& detalle) {
    return Danada(QStringLiteral("línea %1: %2").arg(linea).arg(detalle));
}

// A text that the line form can carry: no separator, no line break, no control character.
bool TextoLimpio(const QString& texto) {
    for (const QChar c : texto) {
        if (c == QLatin1Char('|') || c.category() == QChar::Other_Control)
            return false;
    }
    return texto == texto.trimmed();
}

bool CampoValido(const QString& campo) {
    if (campo.isEmpty() || campo.size() > 64)
        return false;
    for (const QChar c : campo) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

const char* NombreFormato(FormatoCampo f) {
    switch (f) {
    case FormatoCampo::Texto:
        return "texto";
    case FormatoCampo::Fecha:
        return "fecha";
    case FormatoCampo::Hora:
        return "hora";
    case FormatoCampo::Importe:
        return "importe";
    }
    return "texto";
}

const char* NombreAlineacion(Alineacion a) {
    switch (a) {
    case Alineacion::Izquierda:
        return "izquierda";
    case Alineacion::Centro:
        return "centro";
    case Alineacion::Derecha:
        return "derecha";
    }
    return "izquierda";
}

std::optional<FormatoCampo> Formato(const QString& texto) {
    for (FormatoCampo f :
         {FormatoCampo::Texto, FormatoCampo::Fecha, FormatoCampo::Hora, FormatoCampo::Importe}) {
        if (texto == QLatin1String(NombreFormato(f)))
            return f;
    }
    return std::nullopt;
}

std::optional<Alineacion> Alinea(const QString& texto) {
    for (Alineacion a : {Alineacion::Izquierda, Alineacion::Centro, Alineacion::Derecha}) {
        if (texto == QLatin1String(NombreAlineacion(a)))
            return a;
    }
    return std::nullopt;
}

QStringList Partes(const QString& valor) {
    QStringList partes = valor.split(QLatin1Char('|'));
    for (QString& p : partes)
        p = p.trimmed();
    return partes;
}

// Reads one layout line into the layout; false when the key is not a layout key.
bool LeeLinea(Diseno& d, QStringList& vistas, int linea, const QString& clave,
              const QString& valor) {
    const QStringList partes = Partes(valor);
    auto cuenta = [&](qsizetype minimo, qsizetype maximo) {
        if (partes.size() < minimo || partes.size() > maximo)
            throw DanadaEn(
                linea,
                QStringLiteral("«%1» lleva de %2 a %3 valores").arg(clave).arg(minimo).arg(maximo));
    };
    if (clave != QLatin1String("columna")) {
        if (vistas.contains(clave))
            throw DanadaEn(linea, QStringLiteral("«%1» está repetida").arg(clave));
        vistas.append(clave);
    }
    if (clave == QLatin1String("titulo")) {
        cuenta(1, 1);
        d.titulo = partes[0];
    } else if (clave == QLatin1String("papel")) {
        cuenta(1, 1);
        const QStringList p = partes[0].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (p.isEmpty() || p.size() > 2 ||
            (p[0] != QLatin1String("carta") && p[0] != QLatin1String("a4")) ||
            (p.size() == 2 && p[1] != QLatin1String("vertical") &&
             p[1] != QLatin1String("horizontal")))
            throw DanadaEn(linea, QStringLiteral("el papel es «carta» o «a4», y puede seguir "
                                                 "«vertical» u «horizontal»"));
        d.carta = p[0] == QLatin1String("carta");
        d.horizontal = p.size() == 2 && p[1] == QLatin1String("horizontal");
    } else if (clave == QLatin1String("sin-datos")) {
        cuenta(1, 1);
        d.sinDatos = partes[0];
    } else if (clave == QLatin1String("orden")) {
        cuenta(1, 1);
        d.orden.clear();
        for (const QString& campo : partes[0].split(QLatin1Char(',')))
            d.orden.append(campo.trimmed());
    } else if (clave == QLatin1String("grupo")) {
        cuenta(2, 2);
        d.campoGrupo = partes[0];
        d.etiquetaGrupo = partes[1];
    } else if (clave == QLatin1String("nombres")) {
        cuenta(3, 3);
        bool ok = false;
        d.tablaNombres = partes[0].toInt(&ok);
        if (!ok)
            throw DanadaEn(linea, QStringLiteral("la tabla de los nombres es un número"));
        d.campoClave = partes[1];
        d.campoNombre = partes[2];
    } else if (clave == QLatin1String("saldo-inicial")) {
        cuenta(2, 2);
        d.campoSaldoInicial = partes[0];
        d.etiquetaSaldoInicial = partes[1];
    } else if (clave == QLatin1String("saldo-final")) {
        cuenta(2, 2);
        d.campoSaldoFinal = partes[0];
        d.etiquetaSaldoFinal = partes[1];
    } else if (clave == QLatin1String("ventas")) {
        cuenta(1, 1);
        d.campoVentas = partes[0];
    } else if (clave == QLatin1String("columna")) {
        cuenta(5, 7);
        ColumnaDiseno c;
        c.titulo = partes[0];
        c.campo = partes[1];
        const auto formato = Formato(partes[2]);
        if (!formato)
            throw DanadaEn(linea, QStringLiteral("formato desconocido «%1»").arg(partes[2]));
        c.formato = *formato;
        bool ok = false;
        c.ancho = partes[3].toInt(&ok);
        if (!ok)
            throw DanadaEn(linea, QStringLiteral("el ancho es un número"));
        const auto alineacion = Alinea(partes[4]);
        if (!alineacion)
            throw DanadaEn(linea, QStringLiteral("alineación desconocida «%1»").arg(partes[4]));
        c.alineacion = *alineacion;
        for (qsizetype i = 5; i < partes.size(); ++i) {
            if (partes[i] == QLatin1String("total") && !c.total)
                c.total = true;
            else if (partes[i] == QLatin1String("ceros-vacios") && !c.cerosVacios)
                c.cerosVacios = true;
            else
                throw DanadaEn(linea, QStringLiteral("opción desconocida «%1»").arg(partes[i]));
        }
        d.columnas.push_back(std::move(c));
    } else {
        return false;
    }
    return true;
}

template <typename Fn> void PorLinea(const QString& texto, Fn&& fn) {
    const QStringList lineas = texto.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        QString linea = lineas[i];
        if (linea.endsWith(QLatin1Char('\r')))
            linea.chop(1);
        const QString limpia = linea.trimmed();
        if (limpia.isEmpty() || limpia.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype dos = limpia.indexOf(QLatin1Char(':'));
        if (dos <= 0)
            throw DanadaEn(int(i + 1), QStringLiteral("se esperaba «clave: valor»"));
        fn(int(i + 1), limpia.left(dos).trimmed(), limpia.mid(dos + 1).trimmed());
    }
}

} // namespace

void ValidaDiseno(const Diseno& d, int tablas) {
    auto texto = [](const QString& t, const char* que, bool vacio) {
        if ((!vacio && t.isEmpty()) || !TextoLimpio(t) || t.size() > 200)
            throw Danada(QStringLiteral("texto no válido en «%1»").arg(QLatin1String(que)));
    };
    auto campo = [](const QString& c, const char* que) {
        if (!CampoValido(c))
            throw Danada(
                QStringLiteral("campo no válido en «%1»: «%2»").arg(QLatin1String(que), c));
    };
    texto(d.titulo, "titulo", false);
    texto(d.sinDatos, "sin-datos", false);
    if (d.orden.size() > 8)
        throw Danada(QStringLiteral("«orden» lleva a lo más 8 campos"));
    for (const QString& c : d.orden)
        campo(c, "orden");
    campo(d.campoGrupo, "grupo");
    texto(d.etiquetaGrupo, "grupo", false);
    if (d.tablaNombres != -1) {
        if (d.tablaNombres < 0 || d.tablaNombres >= tablas)
            throw Danada(QStringLiteral("«nombres» señala la tabla %1 y la plantilla tiene %2")
                             .arg(d.tablaNombres)
                             .arg(tablas));
        campo(d.campoClave, "nombres");
        campo(d.campoNombre, "nombres");
    }
    if (!d.campoSaldoInicial.isEmpty() || !d.etiquetaSaldoInicial.isEmpty()) {
        campo(d.campoSaldoInicial, "saldo-inicial");
        texto(d.etiquetaSaldoInicial, "saldo-inicial", false);
    }
    if (!d.campoSaldoFinal.isEmpty() || !d.etiquetaSaldoFinal.isEmpty()) {
        campo(d.campoSaldoFinal, "saldo-final");
        texto(d.etiquetaSaldoFinal, "saldo-final", false);
    }
    if (!d.campoVentas.isEmpty())
        campo(d.campoVentas, "ventas");
    if (d.columnas.empty() || d.columnas.size() > 20)
        throw Danada(QStringLiteral("el reporte lleva de 1 a 20 columnas"));
    for (const ColumnaDiseno& c : d.columnas) {
        texto(c.titulo, "columna", true);
        campo(c.campo, "columna");
        if (c.ancho < 1 || c.ancho > 500)
            throw Danada(QStringLiteral("el ancho de «%1» va de 1 a 500").arg(c.campo));
        if ((c.total || c.cerosVacios) && c.formato != FormatoCampo::Importe)
            throw Danada(
                QStringLiteral("solo un importe lleva total o ceros vacíos (%1)").arg(c.campo));
    }
}

QString EscribeDiseno(const Diseno& d) {
    QStringList l;
    l << QStringLiteral("titulo: ") + d.titulo;
    l << QStringLiteral("papel: %1 %2")
             .arg(d.carta ? QStringLiteral("carta") : QStringLiteral("a4"),
                  d.horizontal ? QStringLiteral("horizontal") : QStringLiteral("vertical"));
    l << QStringLiteral("sin-datos: ") + d.sinDatos;
    if (!d.orden.isEmpty())
        l << QStringLiteral("orden: ") + d.orden.join(QStringLiteral(", "));
    l << QStringLiteral("grupo: %1 | %2").arg(d.campoGrupo, d.etiquetaGrupo);
    if (d.tablaNombres != -1)
        l << QStringLiteral("nombres: %1 | %2 | %3")
                 .arg(QString::number(d.tablaNombres), d.campoClave, d.campoNombre);
    if (!d.campoSaldoInicial.isEmpty())
        l << QStringLiteral("saldo-inicial: %1 | %2")
                 .arg(d.campoSaldoInicial, d.etiquetaSaldoInicial);
    if (!d.campoSaldoFinal.isEmpty())
        l << QStringLiteral("saldo-final: %1 | %2").arg(d.campoSaldoFinal, d.etiquetaSaldoFinal);
    if (!d.campoVentas.isEmpty())
        l << QStringLiteral("ventas: ") + d.campoVentas;
    for (const ColumnaDiseno& c : d.columnas) {
        QString linea =
            QStringLiteral("columna: %1 | %2 | %3 | %4 | %5")
                .arg(c.titulo, c.campo, QLatin1String(NombreFormato(c.formato)),
                     QString::number(c.ancho), QLatin1String(NombreAlineacion(c.alineacion)));
        if (c.total)
            linea += QStringLiteral(" | total");
        if (c.cerosVacios)
            linea += QStringLiteral(" | ceros-vacios");
        l << linea;
    }
    return l.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

Diseno LeeDiseno(const QString& texto, int tablas) {
    Diseno d;
    QStringList vistas;
    PorLinea(texto, [&](int linea, const QString& clave, const QString& valor) {
        if (!LeeLinea(d, vistas, linea, clave, valor))
            throw DanadaEn(linea, QStringLiteral("clave desconocida «%1»").arg(clave));
    });
    ValidaDiseno(d, tablas);
    return d;
}

Plantilla LeeFuente(const QString& texto) {
    Plantilla p;
    QStringList vistas;
    PorLinea(texto, [&](int linea, const QString& clave, const QString& valor) {
        if (clave == QLatin1String("tabla")) {
            if (!vistas.isEmpty())
                throw DanadaEn(linea, QStringLiteral("las tablas van antes del diseño"));
            const QStringList partes = Partes(valor);
            if (partes.size() != 3)
                throw DanadaEn(linea, QStringLiteral("«tabla» lleva driver | origen | tabla"));
            p.tablas.push_back({partes[0], partes[1], partes[2]});
        } else if (!LeeLinea(p.diseno, vistas, linea, clave, valor)) {
            throw DanadaEn(linea, QStringLiteral("clave desconocida «%1»").arg(clave));
        }
    });
    ValidaDiseno(p.diseno, int(p.tablas.size()));
    return p;
}

} // namespace motor
