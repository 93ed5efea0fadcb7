#pragma once

#include "host/Mensajes.h"
#include "tests/support/ServidorPrueba.h"

#include <QString>
#include <QTemporaryDir>
#include <vector>

namespace prueba {

// A temporary installation of the program: a folder standing for the executable's, with a
// Quiltaro.ini that points at a host folder whose Trevanto.ini holds the server's settings.
class InstalacionPrueba {
public:
    InstalacionPrueba(const DatosServidor& datos, const QString& base);
    // The same with the server at another port (say, one that nobody listens on).
    InstalacionPrueba(const DatosServidor& datos, const QString& base, unsigned puerto);
    // Start-up made the folder the current directory: it goes back to the temporary folder
    // before the installation is removed.
    ~InstalacionPrueba();
    InstalacionPrueba(const InstalacionPrueba&) = delete;
    InstalacionPrueba& operator=(const InstalacionPrueba&) = delete;

    QString carpetaEjecutable() const { return raiz_.path() + QStringLiteral("/programa"); }
    QString carpetaHost() const { return raiz_.path() + QStringLiteral("/trevanto"); }
    QString archivoIni() const { return carpetaEjecutable() + QStringLiteral("/Quiltaro.ini"); }
    // Makes Quiltaro.ini point at a folder that holds no host installation.
    void ApuntaA(const QString& carpetaHost) const;

private:
    QTemporaryDir raiz_;
    QString base_;
};

// The customers of the lookup tests, created in the database.
void CreaClientes(qm::Conexion& cn);

// A port on the loopback that nothing listens on.
unsigned PuertoCerrado();

// Message boxes, recorded instead of shown.
class MensajesGrabados final : public qm::PuertoMensajes {
public:
    void Muestra(const qm::Mensaje& mensaje) override { mensajes.push_back(mensaje); }
    bool MuestraConOpcion(const qm::Mensaje& mensaje, const QString& opcion) override {
        mensajes.push_back(mensaje);
        opciones.push_back(opcion);
        return eligeOpcion;
    }
    std::vector<qm::Mensaje> mensajes;
    std::vector<QString> opciones; // the second choices offered
    bool eligeOpcion = false;      // what the user answers to them
};

// Lets the event loop run until the condition holds (a minute at most, against a hang).
bool EsperaHasta(const std::function<bool()>& condicion);

} // namespace prueba
