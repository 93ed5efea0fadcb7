#include "reportengine/Membrete.h"

#include "reportengine/ArchivoSeguro.h"
#include "reportengine/ErroresMotor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>

namespace motor {

namespace {

const QString kNombre = QStringLiteral("Membrete/Nombre");
const QString kDireccion = QStringLiteral("Membrete/Direccion%1");
const QString kEtiqueta = QStringLiteral("Membrete/EtiquetaFiscal");
const QString kFiscal = QStringLiteral("Membrete/IdentificacionFiscal");
const QString kTelefono = QStringLiteral("Membrete/Telefono");
const QString kLogo = QStringLiteral("Membrete/Logotipo");
const QString kBaseLogo = QStringLiteral("Logotipo");

// The largest logo worth keeping in a PDF: its box in the band at 300 dots per inch.
const QSize LogoMaximo(625, 200);

[[noreturn]] void Falla(const QString& texto) {
    throw ErrorMotor(errores::ErrorSalida, texto);
}

bool MismoArchivo(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Copies the logo into the folder under its own format's extension; the copy's path.
QString CopiaLogo(const QString& origen, const QString& carpeta) {
    QImageReader lector(origen);
    lector.setDecideFormatFromContent(true);
    const QString extension =
        lector.format() == "png" ? QStringLiteral("png") : QStringLiteral("jpg");
    const QString destino = QDir(carpeta).filePath(kBaseLogo + QLatin1Char('.') + extension);
    if (MismoArchivo(origen, destino))
        return destino;
    QFile f(origen);
    if (!f.open(QIODevice::ReadOnly))
        Falla(QStringLiteral("No se pudo leer el logotipo %1.").arg(origen));
    const QByteArray bytes = f.readAll();
    ArchivoSeguro archivo(destino);
    if (archivo.Dispositivo().write(bytes) != bytes.size())
        throw archivo.Error(QStringLiteral("no se pudo escribir"));
    archivo.Confirma();
    return destino;
}

// Removes the logo copies other than the one kept.
void QuitaOtrosLogos(const QString& carpeta, const QString& guardado) {
    for (const QString& ext : {QStringLiteral("png"), QStringLiteral("jpg")}) {
        const QString ruta = QDir(carpeta).filePath(kBaseLogo + QLatin1Char('.') + ext);
        if (ruta != guardado)
            QFile::remove(ruta);
    }
}

} // namespace

bool Membrete::Vacio() const {
    return Lineas().isEmpty() && logo.isEmpty();
}

QStringList Membrete::Lineas() const {
    QStringList l;
    if (!nombre.trimmed().isEmpty())
        l << nombre.trimmed();
    for (qsizetype i = 0; i < direccion.size() && i < LineasDireccion; ++i) {
        if (!direccion[i].trimmed().isEmpty())
            l << direccion[i].trimmed();
    }
    const QString fiscal = identificacionFiscal.trimmed();
    if (!fiscal.isEmpty())
        l << (etiquetaFiscal.trimmed().isEmpty()
                  ? fiscal
                  : etiquetaFiscal.trimmed() + QStringLiteral(": ") + fiscal);
    if (!telefono.trimmed().isEmpty())
        l << QStringLiteral("Tel. ") + telefono.trimmed();
    return l;
}

QString ArchivoMembrete(const QString& carpeta) {
    return carpeta + QStringLiteral("/Membrete.ini");
}

Membrete LeeMembrete(const QString& carpeta) {
    Membrete m;
    if (!QFileInfo::exists(ArchivoMembrete(carpeta)))
        return m;
    const QSettings s(ArchivoMembrete(carpeta), QSettings::IniFormat);
    m.nombre = s.value(kNombre).toString();
    for (int i = 1; i <= LineasDireccion; ++i)
        m.direccion << s.value(kDireccion.arg(i)).toString();
    m.etiquetaFiscal = s.value(kEtiqueta, m.etiquetaFiscal).toString();
    m.identificacionFiscal = s.value(kFiscal).toString();
    m.telefono = s.value(kTelefono).toString();
    const QString logo = s.value(kLogo).toString();
    if (!logo.isEmpty())
        m.logo = QDir(carpeta).filePath(logo);
    return m;
}

QString RevisaLogo(const QString& archivo) {
    const QFileInfo info(archivo);
    if (!info.exists())
        return QStringLiteral("No existe el archivo de logotipo %1.").arg(archivo);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("No se puede leer el archivo de logotipo %1.").arg(archivo);
    QImageReader lector(archivo);
    lector.setDecideFormatFromContent(true);
    const QByteArray formato = lector.format();
    if (formato != "png" && formato != "jpeg")
        return QStringLiteral("El archivo %1 no es una imagen PNG ni JPEG.").arg(archivo);
    if (lector.read().isNull())
        return QStringLiteral("La imagen %1 está dañada: %2.").arg(archivo, lector.errorString());
    return {};
}

void GuardaMembrete(const Membrete& m, const QString& carpeta) {
    if (!m.logo.isEmpty()) {
        const QString falla = RevisaLogo(m.logo);
        if (!falla.isEmpty())
            Falla(falla);
    }
    if (!QDir().mkpath(carpeta))
        Falla(QStringLiteral("No se pudo crear la carpeta %1.").arg(carpeta));
    const QString logo = m.logo.isEmpty() ? QString() : CopiaLogo(m.logo, carpeta);
    QSettings s(ArchivoMembrete(carpeta), QSettings::IniFormat);
    s.setValue(kNombre, m.nombre.trimmed());
    for (int i = 1; i <= LineasDireccion; ++i)
        s.setValue(kDireccion.arg(i), m.direccion.value(i - 1).trimmed());
    s.setValue(kEtiqueta, m.etiquetaFiscal.trimmed());
    s.setValue(kFiscal, m.identificacionFiscal.trimmed());
    s.setValue(kTelefono, m.telefono.trimmed());
    s.setValue(kLogo, logo.isEmpty() ? QString() : QFileInfo(logo).fileName());
    s.sync();
    if (s.status() != QSettings::NoError)
        Falla(QStringLiteral("No se pudo escribir %1.").arg(ArchivoMembrete(carpeta)));
    QuitaOtrosLogos(carpeta, logo);
}

std::shared_ptr<const Membrete> CargaMembrete(const QString& carpeta) {
    Membrete m = LeeMembrete(carpeta);
    if (m.Vacio())
        return nullptr;
    if (!m.logo.isEmpty()) {
        QImageReader lector(m.logo);
        lector.setAutoTransform(true);
        QImage imagen = lector.read();
        if (imagen.width() > LogoMaximo.width() || imagen.height() > LogoMaximo.height())
            imagen = imagen.scaled(LogoMaximo, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        m.imagen = std::move(imagen);
    }
    return std::make_shared<const Membrete>(std::move(m));
}

} // namespace motor
