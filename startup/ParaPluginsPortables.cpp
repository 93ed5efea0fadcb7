#include "ParaPluginsPortables.h"

#include "Claves.h"
#include "host/Error.h"

#include <QDir>
#include <QFileInfo>

namespace inicio {

namespace {

// A default that cannot be stored never reads back; stop after a few tries.
constexpr int kIntentosIni = 3;

QString MensajeRuta(const QString& archivoIni, const QString& carpeta) {
    const QStringList lineas{QStringLiteral("En el archivo de configuración de este programa"),
                             QString(),
                             u'(' + archivoIni + u')',
                             QString(),
                             QStringLiteral("debe indicarse la ruta correcta de Trevanto Premium."),
                             QStringLiteral("Ruta indicada e incorrecta: "),
                             QString(),
                             carpeta};
    return lineas.join(u'\r');
}

// Which of the two cases it is: a folder that is not there, or one without the host's file.
QString CausaRuta(const QString& carpeta) {
    if (carpeta.isEmpty() || !QFileInfo(carpeta).isDir())
        return QStringLiteral("La carpeta no existe.");
    return QStringLiteral("La carpeta existe, pero no tiene el archivo %1 de Trevanto Premium.")
        .arg(QFileInfo(QDir(carpeta), QStringLiteral("Trevanto.ini")).absoluteFilePath());
}

} // namespace

QString LeeValorIni(const qm::libQMCM& libQMCM, const QString& seccion, const QString& clave,
                    const QString& porDefecto, const QString& archivoIni) {
    for (int intento = 0;; ++intento) {
        const QString valor = libQMCM.LeeIni(seccion, clave, archivoIni);
        if (valor != QString())
            return valor;
        if (intento == kIntentosIni)
            break;
        libQMCM.EscribeIni(seccion, clave, porDefecto, archivoIni);
    }
    throw qm::Error(qm::errores::AccesoArchivo,
                    QStringLiteral("No se pudo guardar el valor \"%1\" de la sección [%2] en el "
                                   "archivo %3")
                        .arg(clave, seccion, archivoIni));
}

bool CargaConfiguracion(const qm::libQMCM& libQMCM, qm::DelRegistro& DelRegistro,
                        qm::BasesDD& BasesDD, const qm::Utilerias& Utilerias,
                        const EntornoConfiguracion& entorno) {
    using namespace claves;
    const QString seccion = QString::fromUtf16(SeccionIni);
    bool resultado = true;

    const QString carpeta = LeeValorIni(libQMCM, seccion, RutaTrevanto.Nombre(),
                                        entorno.carpetaEjecutable, entorno.archivoIni);
    if (DelRegistro.BuscarRegistroTVW(carpeta) == QString()) {
        if (!entorno.mensajes)
            throw qm::Error(qm::errores::ArgumentoInvalido,
                            QStringLiteral("No hay dónde mostrar los mensajes"));
        const qm::Mensaje mensaje{QStringLiteral("Atención"),
                                  MensajeRuta(entorno.archivoIni, carpeta) +
                                      QStringLiteral("\r\r") + CausaRuta(carpeta),
                                  qm::Icono::Critico};
        if (entorno.opcion.isEmpty()) {
            entorno.mensajes->Muestra(mensaje);
        } else {
            const bool eligio = entorno.mensajes->MuestraConOpcion(mensaje, entorno.opcion);
            if (entorno.eligioOpcion)
                *entorno.eligioOpcion = eligio;
        }
        resultado = false;
        return resultado;
    }

    BasesDD.cPuerto = PuertoPorDefecto;
    BasesDD.cPassword = MySQLPassword.PorDefecto();
    BasesDD.cUsuario = MySQLUsuario.PorDefecto();

    if (libQMCM.qmVal(DelRegistro.DatosTVW(MySQLPuerto.Nombre())) == 0)
        DelRegistro.GuardaDatosTVW(MySQLPuerto.Nombre(), BasesDD.cPuerto);
    if (DelRegistro.DatosTVW(MySQLServer.Nombre()).trimmed().isEmpty())
        DelRegistro.GuardaDatosTVW(MySQLServer.Nombre(), DelRegistro.DatosTVW(Servidor.Nombre()));
    if (DelRegistro.DatosTVW(MySQLUsuario.Nombre()).trimmed().isEmpty())
        DelRegistro.GuardaDatosTVW(MySQLUsuario.Nombre(), Utilerias.Encripta(BasesDD.cUsuario));
    if (DelRegistro.DatosTVW(MySQLPassword.Nombre()).trimmed().isEmpty())
        DelRegistro.GuardaDatosTVW(MySQLPassword.Nombre(), Utilerias.Encripta(BasesDD.cPassword));

    BasesDD.cPassword = Utilerias.DesEncripta(DelRegistro.DatosTVW(MySQLPassword.Nombre()));
    BasesDD.cUsuario = Utilerias.DesEncripta(DelRegistro.DatosTVW(MySQLUsuario.Nombre()));
    BasesDD.cPuerto = DelRegistro.DatosTVW(MySQLPuerto.Nombre());
    BasesDD.cRuta = DelRegistro.DatosTVW(MySQLServer.Nombre());
    BasesDD.cMiBase = LeeValorIni(libQMCM, seccion, BaseDeDatos.Nombre(), BaseDeDatos.PorDefecto(),
                                  entorno.archivoIni);
    return resultado;
}

} // namespace inicio
