#pragma once

#include "host/BasesDD.h"
#include "host/Conexion.h"
#include "host/Utilerias.h"
#include "host/libQMCM.h"
#include "movements/Movimientos.h"
#include "tests/support/PerfilesDatos.h"

#include <QString>
#include <ostream>
#include <vector>

namespace prueba {

// A host database set up as the profile says, with the host tables (empty) and the working
// copy made by start-up.
struct Host {
    explicit Host(const PerfilDatos& perfil = PerfilesDatos().front());
    BasesDePerfil bases;
    qm::Conexion cn;
    qm::libQMCM libQMCM;
    qm::BasesDD BasesDD;
    qm::Utilerias Utilerias;
    QString cSQL;

    movimientos::ObjetosBuilder objetos() const { return {libQMCM, BasesDD, Utilerias}; }
    void Rapido(const movimientos::Solicitud& s);
    void Referencia(const movimientos::Solicitud& s);
};

// One row of tmpravesta; doubles compared bit for bit.
struct Fila {
    QString cliente, fecha, hora, movimiento, folio;
    double ventas, devoluciones, pagos, anterior, actual;
};
bool MismosBits(double a, double b);
bool operator==(const Fila& a, const Fila& b);
std::ostream& operator<<(std::ostream& os, const Fila& f);

// tmpravesta in its stored order.
std::vector<Fila> Trabajo(qm::Conexion& cn);

// Every customer, every date.
extern const movimientos::Solicitud kTodo;

// What a build left: its failure's number (0 for none) and the rows.
struct Resultado {
    long error = 0;
    QString mensaje;
    std::vector<Fila> filas;
};

// Runs the row-by-row reference, then the fast build, over the same data; both must leave the
// same failure and the same table. Gives the fast build's.
Resultado Ambos(Host& h, const movimientos::Solicitud& s = kTodo);

// Rows of the host tables.
void Venta(qm::Conexion& cn, const QString& tabla, const QString& cliente, const QString& fecha,
           const QString& hora, const QString& serie, int numero, double subtotal, double iva = 0,
           double adicional = 0, int cancelada = 0);
void Devolucion(qm::Conexion& cn, const QString& cliente, const QString& fecha, const QString& hora,
                int numero, double subtotal);
void Estado(qm::Conexion& cn, const QString& clave, const QString& fecha, const QString& hora,
            const QString& folio, const QString& concepto, double pago, double saldo,
            double nota = 0, double devolucion = 0);

// How many rows of tmpravesta break the rule that links their two balances and their amount.
int Incumplidas(qm::Conexion& cn);

} // namespace prueba
