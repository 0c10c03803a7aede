// Advice to the system about large arrays that are written once, in an
// order that jumps between many places.
#pragma once

#include <cstddef>

namespace quarnel {

// Asks the system to back the whole pages of [memory, memory + bytes) with
// huge pages, so that the first writes take a fault per 2 MiB instead of
// one per 4 KiB, and so that writes spread over the array (one place per
// column) stay within the reach of the processor's address cache. Only
// advice: nothing happens where the system has no such call or declines it.
void advise_huge_pages(void* memory, std::size_t bytes);

}  // namespace quarnel
