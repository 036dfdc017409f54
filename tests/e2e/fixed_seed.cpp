// Preloaded into the game by the end-to-end tests, never linked into it: the
// game seeds rand() once, from an address that differs from run to run; this
// replaces that seed with NINEDEEP_TEST_SEED, so that a test plays a dungeon
// it knows. Without the variable the game's own seed passes through.
#include <dlfcn.h>

#include <cstdlib>

extern "C" void srand(unsigned seed) {
  using Srand = void (*)(unsigned);
  static const Srand real_srand = reinterpret_cast<Srand>(dlsym(RTLD_NEXT, "srand"));
  if (const char* fixed = std::getenv("NINEDEEP_TEST_SEED")) seed = static_cast<unsigned>(std::strtoul(fixed, nullptr, 10));
  real_srand(seed);
}
