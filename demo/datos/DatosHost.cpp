#include "demo/datos/DatosHost.h"

#include "EsquemaSql.h"
#include "host/Error.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace demo {

namespace {

using Azar = std::mt19937_64;

int Entre(Azar& azar, int desde, int hasta) {
    return std::uniform_int_distribution<int>(desde, hasta)(azar);
}

bool Probable(Azar& azar, double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(azar) < p;
}

// Cents, as a till stores them; the tax on top is not rounded, like the host's doubles.
double Importe(Azar& azar, double desde, double hasta) {
    const double v = std::uniform_real_distribution<double>(desde, hasta)(azar);
    return static_cast<double>(static_cast<long long>(v * 100.0)) / 100.0;
}

QString Numero(double v) {
    return QString::number(v, 'g', 17);
}

const QStringList kNombres = {"José",  "María", "Ángel",  "Inés",  "Raúl",    "Begoña",
                              "Íñigo", "Lucía", "Martín", "Sofía", "Andrés",  "Mónica",
                              "Jesús", "Noé",   "Óscar",  "Zoé",   "Joaquín", "Ramón"};
const QStringList kApellidos = {"Pérez",      "Núñez",  "Ibáñez",  "Gómez",     "Martínez",
                                "Muñoz",      "Chávez", "Peña",    "Rodríguez", "López",
                                "Echeverría", "Galván", "Ordóñez", "Suárez",    "Álvarez"};

struct Cliente {
    QString clave;
    QString nombre;
    bool activo = true;
};

std::vector<Cliente> Clientes(Azar& azar, const OpcionesDatos& o) {
    std::vector<Cliente> clientes;
    for (int i = 0; i < o.clientes; ++i) {
        Cliente c;
        switch (i) {
        case 0:
            c.clave = QStringLiteral("O'BRI");
            c.nombre = QStringLiteral("Patricio O'Brien Muñoz");
            break;
        case 1:
            c.clave = QStringLiteral("BAR\\01");
            c.nombre = QStringLiteral("Ferretería \"La Barra\\Diagonal\"");
            break;
        case 2:
            c.clave = QStringLiteral("ÑÚ01");
            c.nombre = QStringLiteral("Ñandú Artesanías, S.A. de C.V.");
            break;
        default:
            c.clave = QStringLiteral("C%1").arg(i, 5, 10, QLatin1Char('0'));
            c.nombre = kNombres[Entre(azar, 0, static_cast<int>(kNombres.size()) - 1)] + " " +
                       kApellidos[Entre(azar, 0, static_cast<int>(kApellidos.size()) - 1)] + " " +
                       kApellidos[Entre(azar, 0, static_cast<int>(kApellidos.size()) - 1)];
            if (i % 17 == 5)
                c.nombre = QStringLiteral("D'Alessandro ") + c.nombre;
        }
        // The three special codes always have movements; every tenth or so has none.
        c.activo = i < 3 || !Probable(azar, o.sinMovimientos);
        clientes.push_back(c);
    }
    return clientes;
}

struct Venta {
    int cliente;
    int dia;
    int hora; // seconds of the day
    int serie;
    int numero;
    bool cancelada;
    double subTotal, iva, impuestoAd;
};

struct Devolucion {
    int cliente, dia, hora, numero;
    double subTotal, iva, impuestoAd;
};

// A statement row before its running balance is known.
struct Estado {
    int cliente, dia, hora;
    QString folio;
    QString concepto;
    double cargo = 0, pago = 0, notaCredito = 0, devolucion = 0;
};

const QStringList kSeries = {"", "A", "B  ", " ", "FA", "R"};

QString Hora(int segundos) {
    return QStringLiteral("%1:%2:%3")
        .arg(segundos / 3600, 2, 10, QLatin1Char('0'))
        .arg(segundos / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(segundos % 60, 2, 10, QLatin1Char('0'));
}

// A quarter-hour of the shop's day: few distinct times, so equal dates and times are common.
int HoraDelDia(Azar& azar) {
    return 8 * 3600 + Entre(azar, 0, 47) * 900 + (Probable(azar, 0.2) ? Entre(azar, 1, 59) : 0);
}

// Several statements per INSERT keep the load fast.
class Cargador {
public:
    Cargador(qm::Conexion& cn, QString tabla, QString columnas)
        : cn_(cn), cabecera_("INSERT INTO " + tabla + " (" + columnas + ") VALUES ") {}
    ~Cargador() = default;
    Cargador(const Cargador&) = delete;
    Cargador& operator=(const Cargador&) = delete;

    void Agrega(const QString& fila) {
        if (!texto_.isEmpty())
            texto_ += QLatin1Char(',');
        texto_ += QLatin1Char('(') + fila + QLatin1Char(')');
        if (++filas_ >= 2000)
            Envia();
    }
    void Envia() {
        if (filas_ == 0)
            return;
        cn_.Execute(cabecera_ + texto_);
        texto_.clear();
        filas_ = 0;
    }

private:
    qm::Conexion& cn_;
    QString cabecera_;
    QString texto_;
    int filas_ = 0;
};

QString Texto(qm::Conexion& cn, const QString& t) {
    return QLatin1Char('\'') + cn.Escapa(t) + QLatin1Char('\'');
}

// The customer whose code the documents write three ways. Its own seed, so the rest of the data
// stays as it was.
void AgregaClienteConVariantes(qm::Conexion& cn, const OpcionesDatos& o, ResumenDatos& r) {
    Azar azar(o.semilla ^ 0xC001);
    const QStringList formas{"C001", "c001", "C001 "};
    const QDate mes = QDate(o.hasta.year(), o.hasta.month(), 1).addMonths(-1);
    auto fecha = [](const QDate& d) {
        return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
    };
    auto dia = [&] { return mes.addDays(Entre(azar, 0, mes.daysInMonth() - 1)); };
    cn.Execute(QStringLiteral("INSERT INTO clientes (Clave,Nombre,RFC,Direccion,Telefono,"
                              "LimiteCredito) VALUES ('C001','Ferretería Fina de Doña Inés',"
                              "'FFD010101AB1','Av. Fidel Velázquez 12, Col. Centro','555-0101',"
                              "50000)"));
    r.claves << QStringLiteral("C001");
    ++r.clientes;
    for (const QString& tabla : {QStringLiteral("remisiones"), QStringLiteral("facturas")}) {
        Cargador carga(cn, tabla,
                       "Serie,Factura,Cliente,Fecha,Hora,Cancelada,SubTotal,IVA,ImpuestoAd,"
                       "Vendedor");
        const int documentos = tabla == QStringLiteral("remisiones") ? 12 : 5;
        for (int i = 0; i < documentos; ++i) {
            const double subTotal = Importe(azar, 100, 4000);
            carga.Agrega("'V'," + QString::number(9000 + i) + ",'" + formas[i % 3] + "'," +
                         fecha(dia()) + ",'" + Hora(HoraDelDia(azar)) + "',0," + Numero(subTotal) +
                         "," + Numero(subTotal * 0.16) + ",0,'V01'");
        }
        carga.Envia();
        (tabla == QStringLiteral("remisiones") ? r.remisiones : r.facturas) += documentos;
    }
    {
        const double subTotal = Importe(azar, 50, 400);
        cn.Execute("INSERT INTO devolucionctes (DevolucionCtes,Cliente,Fecha,Hora,SubTotal,IVA,"
                   "ImpuestoAd,Motivo) VALUES (9000,'c001'," +
                   fecha(dia()) + ",'" + Hora(HoraDelDia(azar)) + "'," + Numero(subTotal) + "," +
                   Numero(subTotal * 0.16) + ",0,'Mercancía dañada')");
        ++r.devoluciones;
    }
    // The statement: an opening balance before the month, then payments under each form.
    struct Fila {
        QDate fecha;
        QString clave, concepto;
        double cargo, pago;
    };
    std::vector<Fila> filas{{mes.addDays(-20), "C001", "SALDO INICIAL", 12500.0, 0}};
    for (int i = 0; i < 6; ++i)
        filas.push_back(
            {dia(), formas[(i + 1) % 3], "PAGO EN EFECTIVO", 0, Importe(azar, 500, 3000)});
    std::stable_sort(filas.begin(), filas.end(),
                     [](const Fila& a, const Fila& b) { return a.fecha < b.fecha; });
    Cargador carga(cn, "edoctacli",
                   "Clave,Fecha,Hora,Folio,Concepto,Cargo,CantidadPago,SaldoAnterior,SaldoActual");
    double saldo = 0;
    int folio = 0;
    for (const Fila& f : filas) {
        const double anterior = saldo;
        saldo = saldo + f.cargo - f.pago;
        carga.Agrega("'" + f.clave + "'," + fecha(f.fecha) + ",'12:00:00','C" +
                     QString::number(++folio) + "','" + f.concepto + "'," + Numero(f.cargo) + "," +
                     Numero(f.pago) + "," + Numero(anterior) + "," + Numero(saldo));
    }
    carga.Envia();
    r.estado += int(filas.size());
}

} // namespace

OpcionesDatos OpcionesBanco(int movimientos, int clientes) {
    OpcionesDatos o;
    o.semilla = 11;
    o.clientes = clientes;
    o.movimientos = movimientos;
    o.hasta = QDate(2026, 11, 30);
    o.desde = o.hasta.addYears(-2);
    return o;
}

OpcionesDatos OpcionesDemo(const QDate& hoy) {
    OpcionesDatos o;
    o.semilla = 2024;
    o.clientes = 60;
    o.movimientos = 3000;
    o.hasta = hoy;
    o.desde = QDate(hoy.year() - 1, hoy.month(), 1).addMonths(1);
    o.sinMovimientos = 0.1;
    o.variantesDeClave = true;
    return o;
}

QStringList SentenciasEsquema() {
    QString sql = QString::fromUtf8(kEsquemaSql);
    sql.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList sentencias;
    for (const QString& s : sql.split(QLatin1Char(';')))
        if (!s.trimmed().isEmpty())
            sentencias << s.trimmed();
    return sentencias;
}

void CreaEsquema(qm::Conexion& cn) {
    for (const QString& s : SentenciasEsquema())
        cn.Execute(s);
}

ResumenDatos GeneraDatos(qm::Conexion& cn, const OpcionesDatos& o) {
    if (o.clientes < 1 || o.movimientos < 0 || !o.desde.isValid() || !o.hasta.isValid() ||
        o.hasta < o.desde)
        throw qm::Error(qm::errores::ArgumentoInvalido,
                        QStringLiteral("Opciones de datos inválidas"));
    Azar azar(o.semilla);
    CreaEsquema(cn);
    const std::vector<Cliente> clientes = Clientes(azar, o);
    std::vector<int> activos;
    for (int i = 0; i < static_cast<int>(clientes.size()); ++i)
        if (clientes[i].activo)
            activos.push_back(i);
    const int dias = static_cast<int>(o.desde.daysTo(o.hasta));

    // Movements: 30 % delivery notes, 30 % invoices, 10 % returns, 30 % payments.
    std::vector<Venta> remisiones, facturas;
    std::vector<Devolucion> devoluciones;
    std::vector<Estado> estado;
    std::map<int, int> numeros; // next number per series
    int ultimoCliente = -1, ultimoDia = 0, ultimaHora = 0;
    for (int m = 0; m < o.movimientos; ++m) {
        int cliente = activos[Entre(azar, 0, static_cast<int>(activos.size()) - 1)];
        int dia = Entre(azar, 0, dias);
        int hora = HoraDelDia(azar);
        // Some movements share the customer, date and time of the one before.
        if (ultimoCliente >= 0 && Probable(azar, 0.05)) {
            cliente = ultimoCliente;
            dia = ultimoDia;
            hora = ultimaHora;
        }
        ultimoCliente = cliente;
        ultimoDia = dia;
        ultimaHora = hora;
        const int tipo = Entre(azar, 0, 99);
        if (tipo < 60) {
            Venta v{};
            v.cliente = cliente;
            v.dia = dia;
            v.hora = hora;
            v.serie = Entre(azar, 0, static_cast<int>(kSeries.size()) - 1);
            v.numero = ++numeros[v.serie * 2 + (tipo < 30 ? 0 : 1)];
            v.cancelada = Probable(azar, 0.05);
            v.subTotal = Importe(azar, 5, 8000);
            v.iva = v.subTotal * 0.16;
            v.impuestoAd = Probable(azar, 0.2) ? v.subTotal * 0.08 : 0.0;
            (tipo < 30 ? remisiones : facturas).push_back(v);
            // The charge on the statement, for a share of the sales.
            if (!v.cancelada && Probable(azar, 0.3)) {
                Estado e;
                e.cliente = cliente;
                e.dia = dia;
                e.hora = hora;
                e.folio = QString::number(v.numero);
                e.concepto =
                    (tipo < 30 ? QStringLiteral("REMISION ") : QStringLiteral("FACTURA ")) +
                    QString::number(v.numero);
                e.cargo = v.subTotal + v.iva + v.impuestoAd;
                estado.push_back(e);
            }
        } else if (tipo < 70) {
            Devolucion d{};
            d.cliente = cliente;
            d.dia = dia;
            d.hora = hora;
            d.numero = ++numeros[-1];
            d.subTotal = Importe(azar, 5, 1500);
            d.iva = d.subTotal * 0.16;
            d.impuestoAd = Probable(azar, 0.1) ? d.subTotal * 0.08 : 0.0;
            devoluciones.push_back(d);
            // The host's own statement row of the return: never a payment.
            Estado e;
            e.cliente = cliente;
            e.dia = dia;
            e.hora = hora;
            e.folio = QString::number(d.numero);
            e.concepto = QStringLiteral("DEVOLUCION CTES.");
            e.devolucion = d.subTotal + d.iva + d.impuestoAd;
            estado.push_back(e);
        } else {
            Estado e;
            e.cliente = cliente;
            e.dia = dia;
            e.hora = hora;
            e.folio = QStringLiteral("P%1").arg(++numeros[-2]);
            e.pago = Importe(azar, 1, 5000);
            const int clase = Entre(azar, 0, 99);
            if (clase < 45)
                e.concepto = QStringLiteral("PAGO EN EFECTIVO");
            else if (clase < 60)
                e.concepto = QStringLiteral("Pago con cheque núm. %1").arg(Entre(azar, 100, 999));
            else if (clase < 65)
                e.concepto = QStringLiteral("PAGO DEVOLUCION CTES. PARCIAL");
            else if (clase < 70) {
                e.concepto = QStringLiteral("AJUSTE DE PAGO");
                e.pago = -e.pago;
            } else if (clase < 75)
                e.concepto = QStringLiteral("APLICACION DEVOLUCION CTES.");
            else if (clase < 78)
                e.concepto = QStringLiteral("aplicación devolucion ctes.");
            else if (clase < 83)
                e.concepto = QStringLiteral("ABONO AUTOMATICO A CXC F-%1").arg(Entre(azar, 1, 999));
            else if (clase < 87)
                e.concepto = QStringLiteral("BONIFICACION POR CANCELACION");
            else if (clase < 91) {
                e.concepto = QStringLiteral("PAGO EN EFECTIVO");
                e.pago = 0;
            } else if (clase < 95) {
                e.concepto = QStringLiteral("NOTA DE CREDITO");
                e.notaCredito = Importe(azar, 1, 500);
            } else {
                e.concepto = QStringLiteral("PAGO CON DEVOLUCION");
                e.devolucion = Importe(azar, 1, 500);
            }
            estado.push_back(e);
        }
    }
    // Opening history before the range: most customers have one; some have two rows on the
    // same day, some have a row on the day of their first movement only.
    std::vector<double> saldo(clientes.size(), 0.0);
    for (int c : activos) {
        if (Probable(azar, 0.75)) {
            const int dia = -Entre(azar, 1, 60);
            const int veces = Probable(azar, 0.2) ? 2 : 1;
            for (int v = 0; v < veces; ++v) {
                Estado e;
                e.cliente = c;
                e.dia = dia;
                e.hora = v == 0 ? 0 : HoraDelDia(azar);
                e.folio = QStringLiteral("SI");
                e.concepto = QStringLiteral("SALDO INICIAL");
                e.cargo = Importe(azar, 0, 20000);
                estado.push_back(e);
            }
        }
    }
    // Statement rows get their Id in time order, and their running balance per customer.
    std::stable_sort(estado.begin(), estado.end(), [](const Estado& a, const Estado& b) {
        return std::tie(a.dia, a.hora) < std::tie(b.dia, b.hora);
    });

    ResumenDatos r;
    {
        Cargador carga(cn, "clientes", "Clave,Nombre,RFC,Direccion,Telefono,LimiteCredito");
        for (const Cliente& c : clientes) {
            r.claves << c.clave;
            carga.Agrega(
                Texto(cn, c.clave) + "," + Texto(cn, c.nombre) + ",'XAXX010101000'," +
                Texto(cn, QStringLiteral("Calle Álamo %1, Col. Centro").arg(Entre(azar, 1, 999))) +
                ",'555-0100'," + Numero(Entre(azar, 0, 50) * 1000.0));
        }
        carga.Envia();
        r.clientes = static_cast<int>(clientes.size());
    }
    std::vector<QString> claves;
    for (const Cliente& c : clientes)
        claves.push_back(Texto(cn, c.clave));
    auto fecha = [&](int dia) {
        return QLatin1Char('\'') + o.desde.addDays(dia).toString(QStringLiteral("yyyy-MM-dd")) +
               QLatin1Char('\'');
    };
    auto ventas = [&](const QString& tabla, const std::vector<Venta>& filas) {
        cn.Execute("ALTER TABLE " + tabla + " DISABLE KEYS");
        Cargador carga(cn, tabla,
                       "Serie,Factura,Cliente,Fecha,Hora,Cancelada,SubTotal,IVA,ImpuestoAd,"
                       "Vendedor");
        for (const Venta& v : filas)
            carga.Agrega("'" + kSeries[v.serie] + "'," + QString::number(v.numero) + "," +
                         claves[v.cliente] + "," + fecha(v.dia) + ",'" + Hora(v.hora) + "'," +
                         (v.cancelada ? "1" : "0") + "," + Numero(v.subTotal) + "," +
                         Numero(v.iva) + "," + Numero(v.impuestoAd) + ",'V01'");
        carga.Envia();
        cn.Execute("ALTER TABLE " + tabla + " ENABLE KEYS");
        return static_cast<int>(filas.size());
    };
    r.remisiones = ventas("remisiones", remisiones);
    r.facturas = ventas("facturas", facturas);
    {
        cn.Execute("ALTER TABLE devolucionctes DISABLE KEYS");
        Cargador carga(cn, "devolucionctes",
                       "DevolucionCtes,Cliente,Fecha,Hora,SubTotal,IVA,ImpuestoAd,Motivo");
        for (const Devolucion& d : devoluciones)
            carga.Agrega(QString::number(d.numero) + "," + claves[d.cliente] + "," + fecha(d.dia) +
                         ",'" + Hora(d.hora) + "'," + Numero(d.subTotal) + "," + Numero(d.iva) +
                         "," + Numero(d.impuestoAd) + ",'Mercancía dañada'");
        carga.Envia();
        cn.Execute("ALTER TABLE devolucionctes ENABLE KEYS");
        r.devoluciones = static_cast<int>(devoluciones.size());
    }
    {
        cn.Execute("ALTER TABLE edoctacli DISABLE KEYS");
        Cargador carga(cn, "edoctacli",
                       "Id,Clave,Fecha,Hora,Folio,Concepto,Cargo,CantidadPago,NotaCredito,"
                       "Devolucion,SaldoAnterior,SaldoActual");
        int id = 0;
        for (const Estado& e : estado) {
            const double anterior = saldo[e.cliente];
            const double actual = anterior + e.cargo - e.pago - e.notaCredito - e.devolucion;
            saldo[e.cliente] = actual;
            carga.Agrega(QString::number(++id) + "," + claves[e.cliente] + "," + fecha(e.dia) +
                         ",'" + Hora(e.hora) + "'," + Texto(cn, e.folio) + "," +
                         Texto(cn, e.concepto) + "," + Numero(e.cargo) + "," + Numero(e.pago) +
                         "," + Numero(e.notaCredito) + "," + Numero(e.devolucion) + "," +
                         Numero(anterior) + "," + Numero(actual));
        }
        carga.Envia();
        cn.Execute("ALTER TABLE edoctacli ENABLE KEYS");
        r.estado = id;
    }
    if (o.variantesDeClave)
        AgregaClienteConVariantes(cn, o, r);
    return r;
}

} // namespace demo
