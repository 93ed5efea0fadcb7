#include "tests/support/LenguajeMySQL55.h"

#include <QRegularExpression>
#include <utility>
#include <vector>

namespace prueba {

namespace {

constexpr qsizetype kPaqueteMySQL55 = 1024 * 1024;

QRegularExpression Patron(const QString& patron) {
    return QRegularExpression(patron, QRegularExpression::CaseInsensitiveOption);
}

// Constructs MySQL 5.5 lacks, each with what it is.
const std::vector<std::pair<QRegularExpression, QString>>& Prohibidos() {
    static const std::vector<std::pair<QRegularExpression, QString>> lista = {
        {Patron(R"(\bOVER\s*\()"), "window function (OVER)"},
        {Patron(R"(\bOVER\s+`?\w+`?\s*(\)|,|$))"), "named window (OVER w)"},
        {Patron(R"(\bWINDOW\s+`?\w+`?\s+AS\s*\()"), "WINDOW clause"},
        {Patron(
             R"(\b(ROW_NUMBER|DENSE_RANK|PERCENT_RANK|CUME_DIST|NTILE|LAG|LEAD|FIRST_VALUE|LAST_VALUE|NTH_VALUE)\s*\()"),
         "window function"},
        {Patron(R"(^\s*\(?\s*WITH\b)"), "common table expression (WITH)"},
        {Patron(R"(\bWITH\s+RECURSIVE\b)"), "recursive common table expression"},
        {Patron(R"(\b(CAST|CONVERT)\s*\([^()]*\bAS\s+(DOUBLE|FLOAT|REAL|JSON)\b)"),
         "CAST AS DOUBLE/FLOAT/JSON"},
        {Patron(R"(\bJSON_\w+\s*\()"), "JSON function"},
        {Patron(R"(->>?)"), "JSON path operator"},
        {Patron(R"(\bWEIGHT_STRING\s*\()"), "WEIGHT_STRING"},
        {Patron(R"(\bLOAD\s+DATA\s+(LOW_PRIORITY\s+|CONCURRENT\s+)?LOCAL\b)"), "LOAD DATA LOCAL"},
        {Patron(R"(\bLOAD\s+XML\b)"), "LOAD XML"},
        {Patron(R"(\bCREATE\s+OR\s+REPLACE\b)"), "CREATE OR REPLACE"},
        {Patron(R"(\bSET\s+STATEMENT\b)"), "SET STATEMENT"},
        {Patron(R"(\bRETURNING\b)"), "RETURNING"},
        {Patron(R"(\bLATERAL\b)"), "LATERAL"},
        {Patron(R"(\b(INTERSECT|EXCEPT)\b)"), "INTERSECT/EXCEPT"},
        {Patron(R"(\b(SKIP\s+LOCKED|NOWAIT)\b)"), "SKIP LOCKED/NOWAIT"},
        {Patron(R"(\bANY_VALUE\s*\()"), "ANY_VALUE"},
        {Patron(R"(\bREGEXP_\w+\s*\()"), "REGEXP_ function"},
        {Patron(R"(\b(NEXTVAL|LASTVAL|SETVAL)\s*\()"), "sequence function"},
        {Patron(R"(\bCREATE\s+SEQUENCE\b)"), "CREATE SEQUENCE"},
        {Patron(R"(\bDEFAULT\s*\()"), "expression default"},
        {Patron(R"(\bGENERATED\s+ALWAYS\b)"), "generated column"},
    };
    return lista;
}

// The statement without its quoted texts, so that a customer code cannot look like SQL.
QString SinTextos(const QString& sql) {
    static const QRegularExpression textos(R"('(?:[^'\\]|\\.|'')*')");
    QString s = sql;
    s.replace(textos, QStringLiteral("''"));
    return s;
}

} // namespace

QStringList LenguajeMySQL55::Revisa(const QString& sql) {
    QStringList problemas;
    if (sql.toUtf8().size() >= kPaqueteMySQL55)
        problemas << QStringLiteral("statement of %1 bytes, over MySQL 5.5's 1 MB packet")
                         .arg(sql.toUtf8().size());
    const QString s = SinTextos(sql);
    for (const auto& [patron, que] : Prohibidos())
        if (s.contains(patron))
            problemas << que;
    static const QRegularExpression tope(R"(^\s*SET\s+(SESSION\s+)?max_heap_table_size\s*=)",
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression memoria(R"(\bENGINE\s*=\s*(MEMORY|HEAP)\b)",
                                            QRegularExpression::CaseInsensitiveOption);
    if (s.contains(tope))
        topeDeMemoria_ = true;
    if (s.contains(memoria) && !topeDeMemoria_)
        problemas << QStringLiteral("MEMORY table under the server's max_heap_table_size");
    static const QRegularExpression crea(
        R"(^\s*CREATE\s+TEMPORARY\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?`?(\w+)`?)",
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = crea.match(s); m.hasMatch()) {
        temporales_ << m.captured(1);
        return problemas;
    }
    for (const QString& tabla : temporales_) {
        const QRegularExpression nombre(R"((?<![\w.])`?)" + QRegularExpression::escape(tabla) +
                                            R"(`?(?!\w))",
                                        QRegularExpression::CaseInsensitiveOption);
        if (s.count(nombre) > 1)
            problemas << "TEMPORARY table " + tabla + " opened twice in one statement";
    }
    return problemas;
}

} // namespace prueba
