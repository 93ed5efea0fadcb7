#pragma once

#include "comun/Error.h"

namespace qm {

// The system's one error type and the platform's numbers, under the host library's names.
using Error = comun::Error;
namespace errores = comun::errores;
using comun::ErrorEnCurso;

} // namespace qm
