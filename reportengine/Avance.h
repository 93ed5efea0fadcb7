#pragma once

#include <cstddef>
#include <functional>

namespace motor {

// Called now and then while a file is written: units done (pages, rows) and in all. Returning
// false stops the work; the writer then fails with errores::Cancelado and the older file of
// that name stays as it was.
using AvanceSalida = std::function<bool(std::size_t hechas, std::size_t total)>;

} // namespace motor
