#include "reportengine/UnionPdf.h"

#include <QFile>
#include <cstring>
#include <map>
#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <stdexcept>
#include <string>
#include <vector>

namespace motor {

namespace {

using Fuentes = std::map<std::string, QPDFObjectHandle>; // by /BaseFont

std::unique_ptr<QPDF> Abre(const QString& ruta, std::size_t paginas) {
    auto pdf = std::make_unique<QPDF>();
    // A damaged part is a failed write, never something to mend.
    pdf->setAttemptRecovery(false);
    pdf->setSuppressWarnings(true);
    pdf->processFile(QFile::encodeName(ruta).constData());
    if (QPDFPageDocumentHelper(*pdf).getAllPages().size() != paginas)
        throw std::runtime_error("a part of the PDF lacks pages");
    return pdf;
}

QPDFObjectHandle FuentesDe(QPDFPageObjectHelper& pagina) {
    QPDFObjectHandle recursos = pagina.getObjectHandle().getKey("/Resources");
    return recursos.isDictionary() ? recursos.getKey("/Font") : QPDFObjectHandle::newNull();
}

void Recoge(std::vector<QPDFPageObjectHelper>& paginas, Fuentes& fuentes) {
    for (QPDFPageObjectHelper& p : paginas) {
        QPDFObjectHandle diccionario = FuentesDe(p);
        if (!diccionario.isDictionary())
            continue;
        for (const std::string& clave : diccionario.getKeys()) {
            QPDFObjectHandle f = diccionario.getKey(clave);
            if (f.getKey("/BaseFont").isName())
                fuentes.emplace(f.getKey("/BaseFont").getName(), f);
        }
    }
}

bool MismosBytes(QPDFObjectHandle a, QPDFObjectHandle b) {
    if (!a.isStream() || !b.isStream())
        return a.isStream() == b.isStream();
    const std::shared_ptr<Buffer> x = a.getRawStreamData();
    const std::shared_ptr<Buffer> y = b.getRawStreamData();
    return x->getSize() == y->getSize() &&
           std::memcmp(x->getBuffer(), y->getBuffer(), x->getSize()) == 0;
}

// The same glyphs in the same order: the same widths, text map and font program.
bool MismaFuente(QPDFObjectHandle a, QPDFObjectHandle b) {
    if (!MismosBytes(a.getKey("/ToUnicode"), b.getKey("/ToUnicode")))
        return false;
    QPDFObjectHandle da = a.getKey("/DescendantFonts");
    QPDFObjectHandle db = b.getKey("/DescendantFonts");
    if (!da.isArray() || !db.isArray() || da.getArrayNItems() != 1 || db.getArrayNItems() != 1)
        return da.unparseResolved() == db.unparseResolved();
    da = da.getArrayItem(0);
    db = db.getArrayItem(0);
    if (da.getKey("/W").unparseResolved() != db.getKey("/W").unparseResolved())
        return false;
    QPDFObjectHandle fa = da.getKey("/FontDescriptor");
    QPDFObjectHandle fb = db.getKey("/FontDescriptor");
    return MismosBytes(fa.getKey("/FontFile2"), fb.getKey("/FontFile2")) &&
           MismosBytes(fa.getKey("/CIDSet"), fb.getKey("/CIDSet"));
}

} // namespace

bool UnePdf(const QString& primero, std::size_t paginasPrimero, const QString& segundo,
            std::size_t paginasSegundo, const QString& destino) {
    const std::unique_ptr<QPDF> a = Abre(primero, paginasPrimero);
    const std::unique_ptr<QPDF> b = Abre(segundo, paginasSegundo);
    QPDFPageDocumentHelper documento(*a);
    std::vector<QPDFPageObjectHelper> paginasA = documento.getAllPages();
    std::vector<QPDFPageObjectHelper> paginasB = QPDFPageDocumentHelper(*b).getAllPages();
    Fuentes fuentesA, fuentesB;
    Recoge(paginasA, fuentesA);
    Recoge(paginasB, fuentesB);
    for (const auto& [nombre, f] : fuentesB) {
        const auto igual = fuentesA.find(nombre);
        if (igual != fuentesA.end() && !MismaFuente(igual->second, f))
            return false;
    }

    documento.removePage(paginasA.front());
    for (std::size_t i = 1; i < paginasB.size(); ++i)
        documento.addPage(paginasB[i], false);
    // The second part's pages name the first part's fonts; their own copies are then left out.
    const std::vector<QPDFPageObjectHelper> todas = documento.getAllPages();
    for (std::size_t i = paginasA.size() - 1; i < todas.size(); ++i) {
        QPDFPageObjectHelper p = todas[i];
        QPDFObjectHandle diccionario = FuentesDe(p);
        if (!diccionario.isDictionary())
            continue;
        for (const std::string& clave : diccionario.getKeys()) {
            QPDFObjectHandle nombre = diccionario.getKey(clave).getKey("/BaseFont");
            if (!nombre.isName())
                continue;
            const auto igual = fuentesA.find(nombre.getName());
            if (igual != fuentesA.end())
                diccionario.replaceKey(clave, igual->second);
        }
    }
    QPDFWriter escritor(*a, QFile::encodeName(destino).constData());
    // The pages are compressed already; they are copied as they are.
    escritor.setStreamDataMode(qpdf_s_preserve);
    escritor.write();
    return true;
}

} // namespace motor
