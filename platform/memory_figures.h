// The figures of free memory and of limits read from the texts Linux gives
// (/proc/meminfo, /proc/self/statm, /proc/self/cgroup, /proc/self/mountinfo,
// a cgroup's memory files), as functions over the text alone so that any
// text can be tried. available_memory() reads the real files through them.
// Every figure is in bytes; nullopt means the text does not give it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel {

// The least of the figures that are known; nullopt when none is.
std::optional<std::uint64_t> least_known(
    std::initializer_list<std::optional<std::uint64_t>> figures);

// `limit` less `used`, or 0 when more than the limit is used.
std::uint64_t room_under(std::uint64_t limit, std::uint64_t used);

// MemAvailable of /proc/meminfo: the kernel's estimate of what can be had
// without swapping, page cache that can be dropped included. Kernels before
// 3.14 do not give it.
std::optional<std::uint64_t> meminfo_available(std::string_view meminfo);

// The process's size and data size from /proc/self/statm (fields 1 and 6,
// counted in pages of `page_size` bytes).
struct process_sizes {
  std::uint64_t virtual_bytes;  // the whole address space in use
  std::uint64_t data_bytes;     // private writable memory and stack
};
std::optional<process_sizes> statm_sizes(std::string_view statm, std::uint64_t page_size);

// Where a cgroup hierarchy is mounted: the mount's directory and the path,
// within the hierarchy, of the cgroup shown there (not "/" in a container
// that sees only its own part of it).
struct cgroup_mount {
  std::string directory;
  std::string root;
};

// The cgroup version 2 hierarchy, or version 1's memory hierarchy, in
// /proc/self/mountinfo.
std::optional<cgroup_mount> cgroup2_mount(std::string_view mountinfo);
std::optional<cgroup_mount> cgroup1_memory_mount(std::string_view mountinfo);

// The process's cgroup in the version 2 hierarchy ("0::/path") or in
// version 1's memory hierarchy ("N:...memory...:/path"), from
// /proc/self/cgroup.
std::optional<std::string> cgroup2_path(std::string_view proc_cgroup);
std::optional<std::string> cgroup1_memory_path(std::string_view proc_cgroup);

// The directories of the cgroup `path` and of each parent up to the mount's
// own, innermost first: a parent's limit binds its children too. Empty when
// the cgroup lies outside what the mount shows.
std::vector<std::string> cgroup_directories(const cgroup_mount& mount, const std::string& path);

// A cgroup's memory limit: memory.max (version 2, "max" when none) or
// memory.limit_in_bytes (version 1, a huge number when none).
std::optional<std::uint64_t> cgroup_limit(std::string_view limit_text);

// What a cgroup may still take under `limit`: the limit less its usage
// (memory.current or memory.usage_in_bytes), where the usage's page cache,
// which the kernel drops before the cgroup runs out, counts as free. `stat`
// is the cgroup's memory.stat; `version` 1 or 2 names its keys. A usage
// that cannot be read counts as none: the limit alone still bounds the room.
std::uint64_t cgroup_room(std::uint64_t limit, std::string_view usage_text, std::string_view stat,
                          int version);

}  // namespace quarnel
