// The rows the export bench writes, made the same way on both sides of it: a report's
// movements, the texts from small pools (customers, dates, times, kinds), the folio from the row
// number and the amounts computed from it. Plain C++, so that the floor needs no Qt.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace filas {

constexpr std::size_t Clientes = 10000;
constexpr std::size_t Dias = 365;
constexpr std::size_t Horas = 24 * 60;
constexpr const char* Tipos[] = {"Remisión", "Factura", "Devolución", "Pago"};
constexpr const char* Titulos[] = {"Cliente",    "Nombre",         "Fecha",       "Hora",
                                   "Movimiento", "Folio",          "Ventas",      "Devoluciones",
                                   "Pagos",      "Saldo anterior", "Saldo actual"};
constexpr std::size_t Columnas = 11;
// Columns 0-5 are texts, but 2, a date; 6-10 numbers.
constexpr std::size_t ColumnaFecha = 2;
constexpr std::size_t PrimerNumero = 6;

// Rows in printed order: each customer's together.
inline std::size_t Cliente(std::size_t fila, std::size_t filas) {
    return fila * Clientes / filas;
}
inline std::size_t Dia(std::size_t fila) {
    return fila % Dias;
}
inline std::size_t Hora(std::size_t fila) {
    return fila % Horas;
}
inline std::size_t Tipo(std::size_t fila) {
    return fila % 4;
}

inline std::string Codigo(std::size_t cliente) {
    char t[16];
    std::snprintf(t, sizeof t, "C%05zu", cliente);
    return t;
}
// One name in a hundred has a comma and quotes, which a CSV field must quote.
inline std::string Nombre(std::size_t cliente) {
    char t[64];
    if (cliente % 100 == 0)
        std::snprintf(t, sizeof t, "Hermanos \"%zu\", S.A.", cliente);
    else
        std::snprintf(t, sizeof t, "Comercial Núñez %zu S.A. de C.V.", cliente);
    return t;
}
// Day d of 2024 as year, month and day.
inline void Fecha(std::size_t d, int& anio, int& mes, int& dia) {
    static constexpr int largos[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    anio = 2024;
    mes = 0;
    int resto = int(d);
    while (resto >= largos[mes])
        resto -= largos[mes++];
    mes += 1;
    dia = resto + 1;
}
inline std::string TextoFecha(std::size_t d) {
    int a = 0, m = 0, dd = 0;
    Fecha(d, a, m, dd);
    char t[32];
    std::snprintf(t, sizeof t, "%04d-%02d-%02d", a, m, dd);
    return t;
}
inline std::string TextoHora(std::size_t h) {
    char t[16];
    std::snprintf(t, sizeof t, "%02zu:%02zu:00", h / 60, h % 60);
    return t;
}
inline std::string Folio(std::size_t fila) {
    return "A " + std::to_string(fila);
}

// Column c (6 to 10) of a row.
inline double Numero(std::size_t fila, std::size_t c) {
    const double importe = double(fila % 100000) * 1.37 + 0.25;
    switch (c) {
    case 6:
        return Tipo(fila) < 2 ? importe : 0;
    case 7:
        return Tipo(fila) == 2 ? importe : 0;
    case 8:
        return Tipo(fila) == 3 ? importe : 0;
    case 9:
        return double(fila) * 10.5;
    default:
        return double(fila) * 10.5 + importe;
    }
}

} // namespace filas
