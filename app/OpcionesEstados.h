#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The statements run without a window:
//   quiltaro --estados (--desde DDMMAAAA --hasta DDMMAAAA | --mes-anterior) [--cliente CLAVE]
//            --carpeta CARPETA [--enviar]
struct OpcionesEstados {
    QDate desde;
    QDate hasta;
    QString cliente; // "" for every customer
    QString carpeta;
    bool enviar = false;
};

// Whether the arguments ask for the run without a window, or for the help, which needs no
// window either (the first thing main decides, before any Qt application exists).
bool PideEstados(int argc, const char* const* argv);

// The whole calendar month before the one of hoy.
std::pair<QDate, QDate> MesAnterior(const QDate& hoy);

// A date as DDMMAAAA (or dd/MM/aaaa); a null date when it is none.
QDate LeeFechaLinea(const QString& texto);

// The run's options from the arguments (the program's name first), or in error a Spanish
// sentence of what is wrong. ayuda is set, and nothing else checked, when --help is among them.
struct LecturaEstados {
    std::optional<OpcionesEstados> opciones;
    QString error;
    bool ayuda = false;
};
LecturaEstados LeeOpcionesEstados(const QStringList& argumentos, const QDate& hoy);

// The options as --help lists them.
QString AyudaEstados();
