// Preloaded into octave-cli for the valgrind runs only.
//
// octave-cli loads libhwy (through GraphicsMagick and libjxl), whose
// load-time initializer measures its timer with RDTSCP. valgrind enables
// RDTSCP only where CPUID reports it, and some virtual machines run the
// instruction without reporting it: there the initializer dies with SIGILL
// before the host even starts. Defined here, the measuring function is
// bound to this copy instead of the library's; the timer it calibrates
// serves only the library's own benchmarks, which the host never calls.
#include <cstdint>

namespace hwy {
namespace platform {
uint64_t TimerResolution() { return 1; }
}  // namespace platform
}  // namespace hwy
