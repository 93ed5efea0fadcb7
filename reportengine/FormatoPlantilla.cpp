#include "reportengine/FormatoPlantilla.h"

#include "reportengine/ErroresMotor.h"
#include "reportengine/TextoDiseno.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <array>
#include <cstdint>

namespace motor {

namespace {

constexpr char Magia[8] = {'Q', 'U', 'I', 'L', 'T', 'R', 'P', 'T'};
constexpr std::uint16_t Version = 1;
constexpr qsizetype TamanoDiseno = 1024 * 1024;

ErrorMotor Danada(const QString& detalle) {
    return ErrorMotor(errores::PlantillaDanada,
                      QStringLiteral("La plantilla del reporte está dañada: ") + detalle);
}

std::uint32_t Crc32(const char* datos, qsizetype n) {
    static const std::array<std::uint32_t, 256> tabla = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < n; ++i)
        crc = tabla[(crc ^ static_cast<unsigned char>(datos[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void PonEntero(QByteArray& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Reads forward over checked bytes only.
class Lector {
public:
    explicit Lector(const QByteArray& b, qsizetype fin) : b_(b), fin_(fin) {}
    qsizetype posicion() const { return p_; }
    qsizetype quedan() const { return fin_ - p_; }
    std::uint32_t Entero(int bytes, const char* que) {
        if (quedan() < bytes)
            throw Danada(QStringLiteral("termina antes de %1").arg(QLatin1String(que)));
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t(static_cast<unsigned char>(b_[p_ + i])) << (8 * i);
        p_ += bytes;
        return v;
    }
    // A NUL-terminated text that ends before limite.
    QByteArray Cadena(qsizetype limite, const char* que) {
        const qsizetype hasta = std::min(limite, fin_);
        for (qsizetype i = p_; i < hasta; ++i) {
            if (b_[i] == '\0') {
                QByteArray t = b_.mid(p_, i - p_);
                p_ = i + 1;
                return t;
            }
        }
        throw Danada(
            QStringLiteral("%1 sin terminar en el registro de la tabla").arg(QLatin1String(que)));
    }
    QByteArray Bytes(qsizetype n, const char* que) {
        if (n < 0 || quedan() < n)
            throw Danada(QStringLiteral("termina antes de %1").arg(QLatin1String(que)));
        QByteArray t = b_.mid(p_, n);
        p_ += n;
        return t;
    }

private:
    const QByteArray& b_;
    qsizetype fin_;
    qsizetype p_ = 0;
};

QString Utf8(const QByteArray& bytes, const char* que) {
    QStringDecoder decodificador(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = decodificador(bytes);
    if (decodificador.hasError() || texto.contains(QChar(0xFEFF)))
        throw Danada(QStringLiteral("%1 no es UTF-8 válido").arg(QLatin1String(que)));
    return texto;
}

// A driver file name that the record can hold and the runner's scan recognises.
void ValidaTabla(const TablaPlantilla& t, const QByteArray& driver, const QByteArray& fuente,
                 const QByteArray& nombre) {
    const QByteArray d = driver.toLower();
    if (!d.startsWith("pd") || !d.endsWith(".dll") ||
        (!d.contains("pdsodbc") && !d.contains("pdbdao")))
        throw Danada(QStringLiteral("el driver «%1» no empieza con «pd», no nombra pdsodbc ni "
                                    "pdbdao o no termina en «.dll»")
                         .arg(t.driver));
    for (const char c : driver) {
        if (c < 0x21 || c > 0x7E)
            throw Danada(QStringLiteral("el driver «%1» no es ASCII visible").arg(t.driver));
    }
    if (fuente.isEmpty() || nombre.isEmpty())
        throw Danada(QStringLiteral("una tabla sin origen de datos o sin nombre"));
    for (const QString& texto : {t.fuente, t.nombre}) {
        for (const QChar c : texto) {
            if (c.category() == QChar::Other_Control)
                throw Danada(QStringLiteral("un carácter de control en «%1»").arg(texto));
        }
    }
    if (driver.size() + fuente.size() + nombre.size() + 3 > VentanaUbicacion)
        throw Danada(QStringLiteral("el registro de «%1» pasa de %2 bytes")
                         .arg(t.nombre)
                         .arg(VentanaUbicacion));
}

void ValidaEscaneo(const QByteArray& bytes, const std::vector<TablaPlantilla>& tablas) {
    const ResultadoEscaneo r = EscaneaUbicaciones(bytes);
    bool igual = !r.falla && r.tablas.size() == tablas.size();
    for (std::size_t i = 0; igual && i < tablas.size(); ++i)
        igual = r.tablas[i].nombre == tablas[i].nombre.toUtf8();
    if (!igual)
        throw Danada(QStringLiteral("la búsqueda de tablas del ejecutor no encontraría "
                                    "exactamente sus %1 tablas (revise que el diseño no nombre "
                                    "un driver)")
                         .arg(tablas.size()));
}

} // namespace

QByteArray EscribePlantilla(const Plantilla& p) {
    if (p.tablas.empty() || p.tablas.size() > std::size_t(TablasMaximas))
        throw Danada(QStringLiteral("una plantilla lleva de 1 a %1 tablas").arg(TablasMaximas));
    ValidaDiseno(p.diseno, int(p.tablas.size()));
    QByteArray b(Magia, sizeof Magia);
    PonEntero(b, Version, 2);
    PonEntero(b, std::uint32_t(p.tablas.size()), 2);
    for (const TablaPlantilla& t : p.tablas) {
        const QByteArray driver = t.driver.toUtf8();
        const QByteArray fuente = t.fuente.toUtf8();
        const QByteArray nombre = t.nombre.toUtf8();
        ValidaTabla(t, driver, fuente, nombre);
        b += driver + '\0' + fuente + '\0' + nombre + '\0';
    }
    const QByteArray diseno = EscribeDiseno(p.diseno).toUtf8();
    if (diseno.size() > TamanoDiseno)
        throw Danada(QStringLiteral("el diseño pasa de %1 bytes").arg(TamanoDiseno));
    PonEntero(b, std::uint32_t(diseno.size()), 4);
    b += diseno;
    PonEntero(b, Crc32(b.constData(), b.size()), 4);
    ValidaEscaneo(b, p.tablas);
    if (LeePlantilla(b) != p)
        throw Danada(QStringLiteral("la plantilla no se lee igual a como se escribió"));
    return b;
}

Plantilla LeePlantilla(const QByteArray& bytes) {
    const qsizetype minimo = qsizetype(sizeof Magia) + 2 + 2 + 4 + 4;
    if (bytes.size() < minimo)
        throw Danada(QStringLiteral("el archivo es demasiado corto (%1 bytes)").arg(bytes.size()));
    if (bytes.size() > TamanoMaximoPlantilla)
        throw Danada(QStringLiteral("el archivo pasa de %1 bytes").arg(TamanoMaximoPlantilla));
    if (bytes.left(sizeof Magia) != QByteArray(Magia, sizeof Magia))
        throw Danada(QStringLiteral("no es una plantilla de Quiltaro"));

    const qsizetype cuerpo = bytes.size() - 4;
    Lector crc(bytes, bytes.size());
    crc.Bytes(cuerpo, "la suma de control");
    if (crc.Entero(4, "la suma de control") != Crc32(bytes.constData(), cuerpo))
        throw Danada(QStringLiteral("la suma de control no coincide"));

    Lector l(bytes, cuerpo);
    l.Bytes(sizeof Magia, "la marca");
    const std::uint32_t version = l.Entero(2, "la versión");
    if (version != Version)
        throw Danada(QStringLiteral("versión %1 desconocida").arg(version));
    const std::uint32_t cuantas = l.Entero(2, "el número de tablas");
    if (cuantas < 1 || cuantas > std::uint32_t(TablasMaximas))
        throw Danada(
            QStringLiteral("%1 tablas; se esperan de 1 a %2").arg(cuantas).arg(TablasMaximas));

    Plantilla p;
    for (std::uint32_t i = 0; i < cuantas; ++i) {
        const qsizetype limite = l.posicion() + VentanaUbicacion;
        const QByteArray driver = l.Cadena(limite, "el driver");
        const QByteArray fuente = l.Cadena(limite, "el origen de datos");
        const QByteArray nombre = l.Cadena(limite, "el nombre");
        TablaPlantilla t{Utf8(driver, "el driver"), Utf8(fuente, "el origen de datos"),
                         Utf8(nombre, "el nombre de la tabla")};
        ValidaTabla(t, driver, fuente, nombre);
        p.tablas.push_back(std::move(t));
    }
    const std::uint32_t largo = l.Entero(4, "el largo del diseño");
    if (largo > std::uint32_t(TamanoDiseno) || qsizetype(largo) != l.quedan())
        throw Danada(QStringLiteral("el largo del diseño (%1) no es lo que queda del archivo (%2)")
                         .arg(largo)
                         .arg(l.quedan()));
    const QString diseno = Utf8(l.Bytes(largo, "el diseño"), "el diseño");
    p.diseno = LeeDiseno(diseno, int(p.tablas.size()));
    ValidaEscaneo(bytes, p.tablas);
    return p;
}

Plantilla LeeArchivoPlantilla(const QString& ruta) {
    if (ruta.isEmpty())
        throw ErrorMotor(errores::SinPlantilla,
                         QStringLiteral("No se indicó la plantilla del reporte."));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        throw ErrorMotor(
            errores::SinPlantilla,
            QFileInfo::exists(ruta)
                ? QStringLiteral("No se puede leer la plantilla %1: %2")
                      .arg(ruta, archivo.errorString())
                : QStringLiteral("No se encontró la plantilla del reporte: %1").arg(ruta));
    }
    if (archivo.size() > TamanoMaximoPlantilla)
        throw Danada(QStringLiteral("el archivo pasa de %1 bytes").arg(TamanoMaximoPlantilla));
    const QByteArray bytes = archivo.read(TamanoMaximoPlantilla + 1);
    if (archivo.error() != QFileDevice::NoError)
        throw ErrorMotor(errores::SinPlantilla,
                         QStringLiteral("No se puede leer la plantilla %1: %2")
                             .arg(ruta, archivo.errorString()));
    return LeePlantilla(bytes);
}

} // namespace motor
