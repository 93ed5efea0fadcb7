#pragma once

#include "host/BasesDD.h"
#include "host/BloqueoNombrado.h"
#include "host/Conexion.h"

#include <QString>
#include <chrono>
#include <functional>

namespace movimientos {

// Several copies of the program may work on one host database at once, and they share its one
// working copy "tmpravesta". Whatever creates, drops, fills or reads it runs under one named
// server lock per host database, held on the main connection.

// The reports database, where "ravesta" lives.
QString BaseReportes();

// How long each user of the working copy waits for another copy of the program. A Print of one
// customer holds the copy well under a second and one of a whole large database a few seconds:
// a Print waits long enough for that, yet gives up before a frozen window looks hung. Start-up
// may wait longer (the user is waiting for the program anyway); the exit waits little and then
// leaves the copy to the copy that is using it.
inline constexpr std::chrono::seconds EsperaImpresion{10};
inline constexpr std::chrono::seconds EsperaArranque{30};
inline constexpr std::chrono::seconds EsperaSalida{3};

// What a Print tells the user when another Print held the copy for the whole wait.
QString MensajeOcupado();

// The lock's name for cn's database: "quiltaro.tmpravesta." and the server's DATABASE().
QString NombreBloqueoCopia(qm::Conexion& cn);

// Takes the working copy's lock on cn, waiting up to `espera`; see tomado(). `entretanto` runs
// now and then during the wait (see qm::BloqueoNombrado).
class BloqueoCopia : public qm::BloqueoNombrado {
public:
    BloqueoCopia(qm::Conexion& cn, std::chrono::seconds espera,
                 const std::function<void()>& entretanto = {});
};

// Start-up's step, under the lock: PreparaTablas (ravesta made sure of, the copy dropped and
// created again). Fails with 1205 when another copy held the lock for the whole wait.
void PreparaCopiaCompartida(const qm::BasesDD& BasesDD, qm::Conexion& cn, qm::Conexion& cnReportes,
                            QString& cSQL, std::chrono::seconds espera = EsperaArranque);

// The exit's drop of the copy, under the lock. False, with the copy left for the copy of the
// program that is using it, when the lock was not had within the wait.
bool BorraCopiaCompartida(qm::Conexion& cn, std::chrono::seconds espera = EsperaSalida);

// One Print's use of the copy, all under the lock: a missing copy (another copy's exit dropped
// it) is created again from ravesta's definition in `baseReportes`, as start-up does; then
// `construye` empties and fills it (its statements under qm::RespuestaLarga), and `lee` runs the
// report, which must have read the table when it returns. False, with nothing run, when another
// copy held the lock for the whole wait. A session lost after the lock was taken fails before
// `lee`: the rows may not be this request's alone. `entretanto` runs now and then while the lock is
// waited for.
bool ImprimeConCopia(const qm::BasesDD& BasesDD, qm::Conexion& cn, QString& cSQL,
                     const std::function<void()>& construye, const std::function<void()>& lee,
                     std::chrono::seconds espera = EsperaImpresion,
                     const QString& baseReportes = BaseReportes(),
                     const std::function<void()>& entretanto = {});

} // namespace movimientos
