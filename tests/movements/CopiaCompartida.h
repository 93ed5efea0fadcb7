#pragma once

#include "host/BasesDD.h"
#include "host/Conexion.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"
#include "movements/CopiaDeTrabajo.h"
#include "tests/support/ServidorPrueba.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace prueba {

// What a Print read: "customer folio" per row, readable in a failure.
using Filas = std::vector<std::string>;

// A host database with two customers' documents (C1, C2), and its reports database, as the
// first start-up leaves them. Several copies of the program (Copia) work on it at once.
struct Compartida {
    Compartida();

    BaseTemporal principal{QStringLiteral("copia")};
    BaseTemporal reportes{QStringLiteral("copiarep")};
    // What a Print of each customer must read, in order of addition.
    std::map<QString, Filas> esperadas;

    // The settings record of a copy of the program working on this database.
    qm::BasesDD Ajustes() const;
    qm::Conexion Conecta() const { return prueba::Conecta(principal.nombre()); }

    // Rows of tmpravesta, with an optional " WHERE ..." condition.
    long long Cuenta(const QString& donde = QString()) const;
    bool HayCopia() const;
    // "name type" of each column of the table, in order.
    static QStringList Columnas(const QString& base, const QString& tabla);
    // The working copy exists with exactly ravesta's columns.
    bool CopiaComoRavesta() const;
    // A row no build makes, to see whether someone touched the copy.
    void Marca() const;
    bool Marcada() const;
    // Waits (a minute at most, against a hang) until that many sessions on this database wait
    // for a named lock; false when they never did.
    bool Esperando(int sesiones) const;
};

// One copy of the program: its own main connection, settings and host objects.
struct Copia {
    explicit Copia(const Compartida& c) : compartida(c) {}

    // Start-up's step with the working copy.
    void Arranca(std::chrono::seconds espera = movimientos::EsperaArranque);
    // The exit's drop; false when it was left to the copy using the table.
    bool Sale(std::chrono::seconds espera = movimientos::EsperaSalida);
    // A Print of every movement of one customer. The report is read as the engine reads it,
    // on a connection of its own; antesDeLeer runs first. Nothing when the copy stayed busy
    // for the whole wait.
    std::optional<Filas> Imprime(const QString& cliente,
                                 const std::function<void()>& antesDeLeer = {},
                                 std::chrono::seconds espera = movimientos::EsperaImpresion);

    const Compartida& compartida;
    qm::libQMCM libQMCM;
    qm::BasesDD BasesDD = compartida.Ajustes();
    qm::Utilerias Utilerias;
    qm::Conexion cn = compartida.Conecta();
    QString cSQL;
};

template <class F> auto EnOtroHilo(F&& f) {
    return std::async(std::launch::async, std::forward<F>(f));
}

} // namespace prueba
