// The workbook's floor: the export bench's cells written by libxlsxwriter alone, in the same
// constant-memory mode, with the same formats, headings, widths, frozen row and filter; the
// cells made before the clock starts; the file synced to disk at the end, as every saved file
// is. Prints the milliseconds of the write: wall clock and CPU.
//
//   piso_xlsx FILE ROWS
#include "FilasExporta.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

void Comprueba(lxw_error e) {
    if (e != LXW_NO_ERROR) {
        std::fprintf(stderr, "piso_xlsx: %s\n", lxw_strerror(e));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: piso_xlsx FILE ROWS\n");
        return 2;
    }
    const std::size_t n = std::size_t(std::atol(argv[2]));
    std::vector<std::string> codigos, nombres, horas;
    std::vector<lxw_datetime> fechas;
    for (std::size_t c = 0; c < filas::Clientes; ++c) {
        codigos.push_back(filas::Codigo(c));
        nombres.push_back(filas::Nombre(c));
    }
    for (std::size_t d = 0; d < filas::Dias; ++d) {
        int a = 0, m = 0, dd = 0;
        filas::Fecha(d, a, m, dd);
        fechas.push_back({a, uint8_t(m), uint8_t(dd), 0, 0, 0.0});
    }
    for (std::size_t h = 0; h < filas::Horas; ++h)
        horas.push_back(filas::TextoHora(h));
    std::vector<std::string> folios;
    folios.reserve(n);
    for (std::size_t f = 0; f < n; ++f)
        folios.push_back(filas::Folio(f));

    const auto inicio = std::chrono::steady_clock::now();
    timespec cpu0{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);

    lxw_workbook_options opciones{};
    opciones.constant_memory = LXW_TRUE;
    lxw_workbook* libro = workbook_new_opt(argv[1], &opciones);
    lxw_format* titulo = workbook_add_format(libro);
    format_set_bold(titulo);
    lxw_format* numero = workbook_add_format(libro);
    format_set_num_format(numero, "#,##0.00");
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "dd/mm/yyyy");
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Movimientos");
    if (!hoja)
        return 1;
    for (lxw_col_t c = 0; c < filas::Columnas; ++c) {
        const bool esNumero = c >= filas::PrimerNumero;
        Comprueba(worksheet_set_column(hoja, c, c,
                                       esNumero ? 15
                                       : c == 1 ? 32
                                                : 12,
                                       esNumero                   ? numero
                                       : c == filas::ColumnaFecha ? fecha
                                                                  : nullptr));
    }
    for (lxw_col_t c = 0; c < filas::Columnas; ++c)
        Comprueba(worksheet_write_string(hoja, 0, c, filas::Titulos[c], titulo));
    for (std::size_t f = 0; f < n; ++f) {
        const auto r = lxw_row_t(f + 1);
        const std::size_t cliente = filas::Cliente(f, n);
        Comprueba(worksheet_write_string(hoja, r, 0, codigos[cliente].c_str(), nullptr));
        Comprueba(worksheet_write_string(hoja, r, 1, nombres[cliente].c_str(), nullptr));
        Comprueba(worksheet_write_datetime(hoja, r, 2, &fechas[filas::Dia(f)], fecha));
        Comprueba(worksheet_write_string(hoja, r, 3, horas[filas::Hora(f)].c_str(), nullptr));
        Comprueba(worksheet_write_string(hoja, r, 4, filas::Tipos[filas::Tipo(f)], nullptr));
        Comprueba(worksheet_write_string(hoja, r, 5, folios[f].c_str(), nullptr));
        for (lxw_col_t c = filas::PrimerNumero; c < filas::Columnas; ++c)
            Comprueba(worksheet_write_number(hoja, r, c, filas::Numero(f, c), numero));
    }
    worksheet_freeze_panes(hoja, 1, 0);
    Comprueba(worksheet_autofilter(hoja, 0, 0, lxw_row_t(n), filas::Columnas - 1));
    Comprueba(workbook_close(libro));
    // On disk, as every file the program saves.
    const int d = ::open(argv[1], O_WRONLY);
    if (d < 0 || ::fsync(d) != 0)
        return 1;
    ::close(d);
    const auto fin = std::chrono::steady_clock::now();
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const auto ms = [](const timespec& t) {
        return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
    };
    std::printf(
        "%lld %lld\n",
        (long long)std::chrono::duration_cast<std::chrono::milliseconds>(fin - inicio).count(),
        ms(cpu) - ms(cpu0));
    return 0;
}
