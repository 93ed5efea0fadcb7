#!/usr/bin/env python3
"""Reads an exported workbook or CSV file with real readers and prints what they see as JSON.

    lee_exportacion.py xlsx FILE   -> {"hojas": [{"nombre", "filas", "congelada", "filtro",
                                       "formatos"}]}; dates as "yyyy-mm-dd", numbers as numbers
    lee_exportacion.py csv FILE    -> {"bom": bool, "filas": [[text, ...], ...]}
"""
import csv
import datetime
import json
import sys


def lee_xlsx(ruta):
    import openpyxl

    libro = openpyxl.load_workbook(ruta)
    hojas = []
    for hoja in libro.worksheets:
        filas, formatos = [], []
        for fila in hoja.iter_rows():
            valores, formas = [], []
            for celda in fila:
                v = celda.value
                if isinstance(v, datetime.datetime):
                    v = v.date().isoformat()
                valores.append(v)
                formas.append(celda.number_format)
            filas.append(valores)
            formatos.append(formas)
        hojas.append({"nombre": hoja.title, "filas": filas, "formatos": formatos,
                      "congelada": hoja.freeze_panes, "filtro": hoja.auto_filter.ref})
    return {"hojas": hojas}


def lee_csv(ruta):
    with open(ruta, "rb") as f:
        bom = f.read(3) == b"\xef\xbb\xbf"
    with open(ruta, newline="", encoding="utf-8-sig") as f:
        return {"bom": bom, "filas": [fila for fila in csv.reader(f, strict=True)]}


if __name__ == "__main__":
    tipo, ruta = sys.argv[1], sys.argv[2]
    print(json.dumps(lee_xlsx(ruta) if tipo == "xlsx" else lee_csv(ruta), ensure_ascii=False))
