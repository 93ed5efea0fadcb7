#pragma once

// What the benchmarks measure of their own process.
namespace banco {

// Peak resident memory (VmHWM) in kB since the start or the last ReiniciaPico; -1 when unknown.
long long PicoKb();
// Starts the peak anew from what is resident now.
void ReiniciaPico();
// CPU time of the whole process, all threads, in ms.
long long CpuMs();

} // namespace banco
