/* Preloaded into a test's octave-cli: the first allocation of exactly
 * QUARNEL_FAIL_ALLOCATION_SIZE bytes fails, as when the machine runs out
 * of memory at one of the host's allocations. Every other allocation goes
 * to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>

static int failed;

void* malloc(size_t size) {
  static void* (*next)(size_t);
  if (next == 0) next = (void* (*)(size_t))dlsym(RTLD_NEXT, "malloc");
  if (!failed) {
    const char* wanted = getenv("QUARNEL_FAIL_ALLOCATION_SIZE");
    if (wanted != 0 && strtoull(wanted, 0, 10) == size) {
      failed = 1;
      return 0;
    }
  }
  return next(size);
}
