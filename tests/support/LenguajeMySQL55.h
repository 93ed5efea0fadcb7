#pragma once

#include <QString>
#include <QStringList>

namespace prueba {

// Reads statements as the program sends them and names what MySQL 5.5 would refuse: window
// functions, common table expressions, CAST(... AS DOUBLE), JSON, WEIGHT_STRING, newer
// MariaDB/MySQL syntax, LOAD DATA LOCAL (off on MySQL 8.0 servers), a MEMORY table made before
// the session's max_heap_table_size was set (16 MB by default), a statement longer than 1 MB
// (MySQL 5.5's max_allowed_packet), and a TEMPORARY table opened twice in one statement (MySQL's
// error 1137, which MariaDB does not give). Feed the statements in the order sent: a TEMPORARY
// table is known from its CREATE on.
class LenguajeMySQL55 {
public:
    // What is wrong with one statement; empty when nothing.
    QStringList Revisa(const QString& sql);

private:
    QStringList temporales_;
    bool topeDeMemoria_ = false;
};

} // namespace prueba
