// How much more memory this process can have before the system, its
// container or its own limits refuse it or kill the process for it.
#pragma once

#include <cstdint>
#include <optional>

namespace quarnel {

// In bytes: the least of the system's available memory, the room under
// each memory limit of the process's control groups (Linux), and the room
// under the process's own address-space and data limits (Linux). nullopt
// when no figure can be had. Each call reads the figures afresh.
std::optional<std::uint64_t> available_memory();

}  // namespace quarnel
