#pragma once

#include "host/Conexion.h"

#include <QString>
#include <memory>

namespace qm {

// Rows of (integer, double, double) added to a table through a prepared multi-row INSERT: the
// values travel in binary, exact and without any text to parse, many rows to an execution.
// Call Termina to send the last rows; what is not sent when this goes is dropped.
class LoteTriples {
public:
    // Each execution's packet stays within bytesPorEnvio.
    LoteTriples(Conexion& cn, const QString& tabla, std::size_t bytesPorEnvio);
    ~LoteTriples();
    LoteTriples(const LoteTriples&) = delete;
    LoteTriples& operator=(const LoteTriples&) = delete;

    void Agrega(long long a, double b, double c);
    void Termina();

private:
    struct Datos;
    std::unique_ptr<Datos> d_;
};

} // namespace qm
