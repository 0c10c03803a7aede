// Marks a module's entry as its one exported symbol: mexFunction, or for
// the oct-file the installer Octave calls as it loads it.
#pragma once

#if defined(_WIN32)
#define QUARNEL_EXPORT __declspec(dllexport)
#else
#define QUARNEL_EXPORT __attribute__((visibility("default")))
#endif
