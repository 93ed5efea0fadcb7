#include "tests/movements/ApoyoMovimientos.h"

#include "host/Error.h"
#include "host/Recordset.h"
#include "movements/Tablas.h"
#include "tests/movements/Referencia.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace prueba {

const movimientos::Solicitud kTodo{"__/__/____", "__/__/____", ""};

Host::Host(const PerfilDatos& perfil) : bases(perfil), cn(Conecta(bases.principal.nombre())) {
    CreaTablasHost(cn, perfil);
    qm::Conexion cnReportes = Conecta(bases.reportes.nombre());
    movimientos::PreparaTablas(BasesDD, cn, cnReportes, cSQL);
}

void Host::Rapido(const movimientos::Solicitud& s) {
    movimientos::GeneraMovimientos(objetos(), cn, cSQL, s);
}

void Host::Referencia(const movimientos::Solicitud& s) {
    GeneraMovimientosReferencia(objetos(), cn, cSQL, s);
}

bool MismosBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool operator==(const Fila& a, const Fila& b) {
    return a.cliente == b.cliente && a.fecha == b.fecha && a.hora == b.hora &&
           a.movimiento == b.movimiento && a.folio == b.folio && MismosBits(a.ventas, b.ventas) &&
           MismosBits(a.devoluciones, b.devoluciones) && MismosBits(a.pagos, b.pagos) &&
           MismosBits(a.anterior, b.anterior) && MismosBits(a.actual, b.actual);
}

std::ostream& operator<<(std::ostream& os, const Fila& f) {
    return os << "[" << f.cliente.toStdString() << "] " << f.fecha.toStdString() << " "
              << f.hora.toStdString() << " " << f.movimiento.toStdString() << " "
              << f.folio.toStdString() << " " << f.ventas << "/" << f.devoluciones << "/" << f.pagos
              << " " << f.anterior << "->" << f.actual;
}

std::vector<Fila> Trabajo(qm::Conexion& cn) {
    // MariaDB's text protocol sends doubles in full.
    qm::Recordset rs = cn.Consulta(
        "SELECT Cliente, CAST(Fecha AS CHAR), Hora, Movimiento, Folio, Ventas, Devoluciones, "
        "Pagos, SaldoAnterior, SaldoActual FROM tmpravesta");
    std::vector<Fila> filas;
    for (; !rs.Eof(); rs.MoveNext())
        filas.push_back({rs.Valor(0).toString(), rs.Valor(1).toString(), rs.Valor(2).toString(),
                         rs.Valor(3).toString(), rs.Valor(4).toString(), rs.Valor(5).toDouble(),
                         rs.Valor(6).toDouble(), rs.Valor(7).toDouble(), rs.Valor(8).toDouble(),
                         rs.Valor(9).toDouble()});
    return filas;
}

namespace {

Resultado Corre(Host& h, void (Host::*build)(const movimientos::Solicitud&),
                const movimientos::Solicitud& s) {
    Resultado r;
    try {
        (h.*build)(s);
    } catch (const qm::Error& e) {
        r.error = e.numero();
        r.mensaje = e.descripcion();
    }
    r.filas = Trabajo(h.cn);
    return r;
}

} // namespace

Resultado Ambos(Host& h, const movimientos::Solicitud& s) {
    const Resultado referencia = Corre(h, &Host::Referencia, s);
    const Resultado rapido = Corre(h, &Host::Rapido, s);
    EXPECT_EQ(rapido.error, referencia.error)
        << "fast: " << rapido.mensaje.toStdString()
        << "; reference: " << referencia.mensaje.toStdString();
    EXPECT_EQ(rapido.filas.size(), referencia.filas.size());
    for (std::size_t i = 0; i < std::min(rapido.filas.size(), referencia.filas.size()); ++i) {
        if (!(rapido.filas[i] == referencia.filas[i])) {
            ADD_FAILURE() << "row " << i << ": fast " << rapido.filas[i] << " reference "
                          << referencia.filas[i];
            break;
        }
    }
    return rapido;
}

void Venta(qm::Conexion& cn, const QString& tabla, const QString& cliente, const QString& fecha,
           const QString& hora, const QString& serie, int numero, double subtotal, double iva,
           double adicional, int cancelada) {
    cn.Execute(QStringLiteral("INSERT INTO %1 (Serie,Factura,Cliente,Fecha,Hora,Cancelada,"
                              "SubTotal,IVA,ImpuestoAd) VALUES ('%2',%3,'%4','%5','%6',%7,%8,%9,"
                              "%10)")
                   .arg(tabla, cn.Escapa(serie))
                   .arg(numero)
                   .arg(cn.Escapa(cliente), fecha, hora)
                   .arg(cancelada)
                   .arg(subtotal, 0, 'g', 17)
                   .arg(iva, 0, 'g', 17)
                   .arg(adicional, 0, 'g', 17));
}

void Devolucion(qm::Conexion& cn, const QString& cliente, const QString& fecha, const QString& hora,
                int numero, double subtotal) {
    cn.Execute(QStringLiteral("INSERT INTO devolucionctes (DevolucionCtes,Cliente,Fecha,Hora,"
                              "SubTotal,IVA,ImpuestoAd) VALUES (%1,'%2','%3','%4',%5,0,0)")
                   .arg(numero)
                   .arg(cn.Escapa(cliente), fecha, hora)
                   .arg(subtotal, 0, 'g', 17));
}

void Estado(qm::Conexion& cn, const QString& clave, const QString& fecha, const QString& hora,
            const QString& folio, const QString& concepto, double pago, double saldo, double nota,
            double devolucion) {
    cn.Execute(QStringLiteral("INSERT INTO edoctacli (Clave,Fecha,Hora,Folio,Concepto,"
                              "CantidadPago,NotaCredito,Devolucion,SaldoActual) VALUES "
                              "('%1','%2','%3','%4','%5',%6,%7,%8,%9)")
                   .arg(cn.Escapa(clave), fecha, hora, folio, concepto)
                   .arg(pago, 0, 'g', 17)
                   .arg(nota)
                   .arg(devolucion)
                   .arg(saldo, 0, 'g', 17));
}

int Incumplidas(qm::Conexion& cn) {
    return cn
        .Consulta("SELECT COUNT(*) FROM tmpravesta WHERE SaldoActual <> IF(Ventas<>0, "
                  "SaldoAnterior+Ventas, IF(Devoluciones<>0, SaldoAnterior-Devoluciones, "
                  "SaldoAnterior-Pagos))")
        .Valor(0)
        .toInt();
}

} // namespace prueba
