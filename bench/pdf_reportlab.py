#!/usr/bin/python3
"""The PDF peer: ReportLab writes the rows bench_motor reports on as many Letter landscape pages,
one string per cell, in DejaVu Sans embedded as a subset, pages compressed.

    pdf_reportlab.py MOVEMENTS PAGES PDF
    pdf_reportlab.py --csv CSV PAGES PDF     the rows of the program's own CSV export

Prints "reportlab MOVEMENTS movements, PAGES pages, MS ms": the time to write the pages, without
the time spent making the rows' texts (as bench_motor's PDF time is taken from laid-out pages).
"""
import csv
import datetime
import math
import sys
import time

from reportlab.lib.pagesizes import landscape, letter
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

FUENTES = "/usr/share/fonts/truetype/dejavu/"
TIPOS = ("Remisión", "Factura", "Devolución", "Pago")
INICIO = datetime.date(2024, 1, 1)
# Heading, width (as the layout's) and whether the cell is right-aligned.
COLUMNAS = (("Fecha", 11, False), ("Hora", 9, False), ("Movimiento", 16, False),
            ("Folio", 10, False), ("Ventas", 13, True), ("Devoluciones", 13, True),
            ("Pagos", 13, True), ("Saldo anterior", 14, True), ("Saldo actual", 14, True))
MARGEN = 36.0
ALTO_FILA = 12.5


def importe(v):
    return f"{v:,.2f}"


def fila(i):
    """Row i as bench_motor makes it, in the texts the report shows."""
    monto = (i % 100000) * 1.37 + 0.25
    tipo = i % 4
    return (
        (INICIO + datetime.timedelta(days=i % 365)).strftime("%d/%m/%Y"),
        f"{i % 24:02d}:{i % 60:02d}:00",
        TIPOS[tipo],
        f"A {i}",
        importe(monto) if tipo < 2 else "",
        importe(monto) if tipo == 2 else "",
        importe(monto) if tipo == 3 else "",
        importe(i * 10.5),
        importe(i * 10.5 + monto),
    )


def filas_csv(ruta):
    """The rows of the program's CSV export (group, name, then the layout's columns), in the
    texts the report shows."""
    with open(ruta, encoding="utf-8-sig", newline="") as f:
        lector = csv.reader(f)
        next(lector)
        filas = []
        for r in lector:
            fecha = "/".join(reversed(r[2].split("-")))
            montos = [importe(float(v)) if float(v) != 0 else "" for v in r[6:9]]
            filas.append((fecha, r[3], r[4], r[5], *montos,
                          importe(float(r[9])), importe(float(r[10]))))
        return filas


def main():
    if sys.argv[1] == "--csv":
        tabla = filas_csv(sys.argv[2])
        movimientos, paginas, ruta = len(tabla), int(sys.argv[3]), sys.argv[4]
        hace = tabla.__getitem__
    else:
        movimientos, paginas, ruta = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
        hace = fila
    pdfmetrics.registerFont(TTFont("DejaVuSans", FUENTES + "DejaVuSans.ttf"))
    pdfmetrics.registerFont(TTFont("DejaVuSans-Bold", FUENTES + "DejaVuSans-Bold.ttf"))
    ancho, alto = landscape(letter)
    suma = sum(c[1] for c in COLUMNAS)
    xs, x = [], MARGEN
    for _, w, derecha in COLUMNAS:
        w = (ancho - 2 * MARGEN) * w / suma
        xs.append((x + w - 3, True) if derecha else (x + 3, False))
        x += w
    por_pagina = math.ceil(movimientos / max(1, paginas))

    filas_tiempo = 0.0
    inicio = time.perf_counter()
    c = canvas.Canvas(ruta, pagesize=(ancho, alto), pageCompression=1,
                      initialFontName="DejaVuSans")
    c.setTitle("Reporte de movimientos de clientes")
    for p in range(paginas):
        t = time.perf_counter()
        filas = [hace(i) for i in range(p * por_pagina, min(movimientos, (p + 1) * por_pagina))]
        filas_tiempo += time.perf_counter() - t
        c.setFont("DejaVuSans-Bold", 15)
        c.drawString(MARGEN, alto - MARGEN - 14, "Reporte de movimientos de clientes")
        c.setFont("DejaVuSans-Bold", 7.5)
        y = alto - MARGEN - 50
        for (texto, _, _), (x, derecha) in zip(COLUMNAS, xs):
            (c.drawRightString if derecha else c.drawString)(x, y, texto)
        c.setFont("DejaVuSans", 7.5)
        for celdas in filas:
            y -= ALTO_FILA
            for texto, (x, derecha) in zip(celdas, xs):
                if texto:
                    (c.drawRightString if derecha else c.drawString)(x, y, texto)
        c.setFont("DejaVuSans", 7)
        c.drawRightString(ancho - MARGEN, MARGEN, f"Página {p + 1} de {paginas}")
        c.showPage()
    c.save()
    ms = (time.perf_counter() - inicio - filas_tiempo) * 1000
    print(f"reportlab {movimientos} movements, {paginas} pages, {ms:.0f} ms")


if __name__ == "__main__":
    main()
