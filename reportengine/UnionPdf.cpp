#include "reportengine/UnionPdf.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/InputSource.hh>
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

// A file read through a window of a megabyte. qpdf reads an object a few bytes at a time, each
// read a seek and a system call on its own file source: most of the joining's time.
class ArchivoEnVentana final : public InputSource {
public:
    explicit ArchivoEnVentana(const QString& ruta)
        : nombre_(QFile::encodeName(ruta).toStdString()), archivo_(ruta) {
        if (!archivo_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw std::runtime_error("cannot open " + nombre_);
        largo_ = archivo_.size();
    }
    qpdf_offset_t findAndSkipNextEOL() override {
        char c = 0;
        while (read(&c, 1) == 1) {
            if (c != '\r' && c != '\n')
                continue;
            const qpdf_offset_t fin = pos_ - 1;
            while (read(&c, 1) == 1) {
                if (c != '\r' && c != '\n') {
                    unreadCh(c);
                    break;
                }
            }
            return fin;
        }
        return pos_;
    }
    std::string const& getName() const override { return nombre_; }
    qpdf_offset_t tell() override { return pos_; }
    void seek(qpdf_offset_t donde, int desde) override {
        const qpdf_offset_t base = desde == SEEK_SET ? 0 : desde == SEEK_CUR ? pos_ : largo_;
        if (base + donde < 0)
            throw std::runtime_error("seek before the start of " + nombre_);
        pos_ = base + donde;
    }
    void rewind() override { pos_ = 0; }
    size_t read(char* destino, size_t largo) override {
        last_offset = pos_;
        size_t hechos = 0;
        while (hechos < largo && pos_ < largo_) {
            if (pos_ < inicio_ || pos_ >= inicio_ + qpdf_offset_t(ventana_.size()))
                Carga();
            const size_t n =
                std::min(largo - hechos, size_t(inicio_ + qpdf_offset_t(ventana_.size()) - pos_));
            std::memcpy(destino + hechos, ventana_.data() + (pos_ - inicio_), n);
            hechos += n;
            pos_ += qpdf_offset_t(n);
        }
        return hechos;
    }
    void unreadCh(char) override {
        if (pos_ > 0)
            --pos_;
    }

private:
    static constexpr qpdf_offset_t Ventana = 1 << 20;
    // The window round pos_, a little of it behind, for the reads that step back.
    void Carga() {
        inicio_ = std::max<qpdf_offset_t>(0, pos_ - Ventana / 16);
        ventana_.resize(std::size_t(Ventana));
        if (!archivo_.seek(inicio_))
            throw std::runtime_error("cannot read " + nombre_);
        const qint64 leidos = archivo_.read(ventana_.data(), Ventana);
        if (leidos <= 0)
            throw std::runtime_error("cannot read " + nombre_);
        ventana_.resize(std::size_t(leidos));
    }

    std::string nombre_;
    QFile archivo_;
    qpdf_offset_t largo_ = 0, pos_ = 0, inicio_ = 0;
    std::vector<char> ventana_;
};

std::unique_ptr<QPDF> Abre(const QString& ruta, std::size_t paginas) {
    auto pdf = std::make_unique<QPDF>();
    // A damaged part is a failed write, never something to mend.
    pdf->setAttemptRecovery(false);
    pdf->setSuppressWarnings(true);
    pdf->processInputSource(std::make_shared<ArchivoEnVentana>(ruta));
    if (QPDFPageDocumentHelper(*pdf).getAllPages().size() != paginas)
        throw std::runtime_error("a part of the PDF lacks pages");
    return pdf;
}

QPDFObjectHandle FuentesDe(QPDFPageObjectHelper& pagina) {
    QPDFObjectHandle recursos = pagina.getObjectHandle().getKey("/Resources");
    return recursos.isDictionary() ? recursos.getKey("/Font") : QPDFObjectHandle::newNull();
}

Fuentes Recoge(QPDFPageObjectHelper& pagina) {
    Fuentes fuentes;
    QPDFObjectHandle diccionario = FuentesDe(pagina);
    if (!diccionario.isDictionary())
        return fuentes;
    for (const std::string& clave : diccionario.getKeys()) {
        QPDFObjectHandle f = diccionario.getKey(clave);
        if (f.getKey("/BaseFont").isName())
            fuentes.emplace(f.getKey("/BaseFont").getName(), f);
    }
    return fuentes;
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
    const std::vector<QPDFPageObjectHelper> paginasB = QPDFPageDocumentHelper(*b).getAllPages();
    // The sample page draws every face the parts share. A face that only some pages use (the
    // italic of a report without rows) keeps a copy of its own in each part.
    const Fuentes fuentesA = Recoge(paginasA.front());
    documento.removePage(paginasA.front());
    for (std::size_t i = 1; i < paginasB.size(); ++i)
        documento.addPage(paginasB[i], false);
    // The second part's pages name the first part's fonts; their own copies are then left out.
    std::map<QPDFObjGen, bool> iguales;
    const std::vector<QPDFPageObjectHelper> todas = documento.getAllPages();
    for (std::size_t i = paginasA.size() - 1; i < todas.size(); ++i) {
        QPDFPageObjectHelper p = todas[i];
        QPDFObjectHandle diccionario = FuentesDe(p);
        if (!diccionario.isDictionary())
            continue;
        for (const std::string& clave : diccionario.getKeys()) {
            QPDFObjectHandle propia = diccionario.getKey(clave);
            QPDFObjectHandle nombre = propia.getKey("/BaseFont");
            const auto igual = nombre.isName() ? fuentesA.find(nombre.getName()) : fuentesA.end();
            if (igual == fuentesA.end())
                continue;
            auto [comparada, nueva] = iguales.emplace(propia.getObjGen(), false);
            if (nueva)
                comparada->second = MismaFuente(igual->second, propia);
            if (!comparada->second)
                return false;
            diccionario.replaceKey(clave, igual->second);
        }
    }
    const QByteArray nombre = QFile::encodeName(destino);
    std::vector<char> bufer(std::size_t(1) << 20); // outlives the file, which flushes into it
    const std::unique_ptr<FILE, int (*)(FILE*)> archivo(std::fopen(nombre.constData(), "wb"),
                                                        &std::fclose);
    if (!archivo)
        throw std::runtime_error("cannot open " + nombre.toStdString());
    // Written a megabyte at a time: each system call is dear on a busy disk.
    std::setvbuf(archivo.get(), bufer.data(), _IOFBF, bufer.size());
    QPDFWriter escritor(*a);
    escritor.setOutputFile(nombre.constData(), archivo.get(), false);
    // The pages are compressed already; they are copied as they are.
    escritor.setStreamDataMode(qpdf_s_preserve);
    escritor.write();
    if (std::fflush(archivo.get()) != 0 || std::ferror(archivo.get()))
        throw std::runtime_error("cannot write " + nombre.toStdString());
    return true;
}

} // namespace motor
