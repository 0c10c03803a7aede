// Marks a module's entry, mexFunction, as its one exported symbol.
#pragma once

#if defined(_WIN32)
#define QUARNEL_EXPORT __declspec(dllexport)
#else
#define QUARNEL_EXPORT __attribute__((visibility("default")))
#endif
