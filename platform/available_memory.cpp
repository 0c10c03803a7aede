#include "platform/available_memory.h"

#include "platform/memory_figures.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__APPLE__)
#include <mach/mach.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#endif

namespace quarnel {

namespace {

// Keeps the least of the figures it is given.
struct least_figure {
  std::optional<std::uint64_t> value;
  void take(std::optional<std::uint64_t> figure) { value = least_known({value, figure}); }
};

#if defined(__linux__)

// The whole text of a file of /proc or /sys, or nullopt when it cannot be
// read (such files report no size, so it is read to its end).
std::optional<std::string> file_text(const std::string& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r"),
                                                             &std::fclose);
  if (!file) return std::nullopt;
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) return std::nullopt;
  return text;
}

// The room under the memory limits of the process's cgroup and of every
// parent, in the hierarchy of cgroup `version`.
void take_cgroup_limits(int version, const std::string& mountinfo, const std::string& proc_cgroup,
                        least_figure* least) {
  const bool v2 = version == 2;
  const std::optional<cgroup_mount> mount =
      v2 ? cgroup2_mount(mountinfo) : cgroup1_memory_mount(mountinfo);
  const std::optional<std::string> path =
      v2 ? cgroup2_path(proc_cgroup) : cgroup1_memory_path(proc_cgroup);
  if (!mount || !path) return;
  for (const std::string& directory : cgroup_directories(*mount, *path)) {
    const std::optional<std::string> limit_text =
        file_text(directory + (v2 ? "/memory.max" : "/memory.limit_in_bytes"));
    const std::optional<std::uint64_t> limit =
        limit_text ? cgroup_limit(*limit_text) : std::nullopt;
    if (!limit) continue;
    const std::string usage =
        file_text(directory + (v2 ? "/memory.current" : "/memory.usage_in_bytes")).value_or("");
    const std::string stat = file_text(directory + "/memory.stat").value_or("");
    least->take(cgroup_room(*limit, usage, stat, version));
  }
}

// The room under a limit of getrlimit's `resource`, given what it counts.
std::optional<std::uint64_t> rlimit_room(int resource, std::uint64_t used) {
  struct rlimit limit;
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  return room_under(limit.rlim_cur, used);
}

#endif

}  // namespace

std::optional<std::uint64_t> available_memory() {
  least_figure least;
#if defined(_WIN32)
  // Physical memory free or holding only cache; what the process may still
  // commit, which the system refuses beyond (job limits included); and
  // what is left of its address space.
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (GlobalMemoryStatusEx(&status)) {
    least.take(status.ullAvailPhys);
    least.take(status.ullAvailPageFile);
    least.take(status.ullAvailVirtual);
  }
#elif defined(__APPLE__)
  // Free (speculative included), inactive and purgeable pages.
  const mach_port_t host = mach_host_self();
  vm_size_t page_size = 0;
  vm_statistics64_data_t statistics;
  mach_msg_type_number_t count = HOST_VM_INFO64_COUNT;
  if (host_page_size(host, &page_size) == KERN_SUCCESS &&
      host_statistics64(host, HOST_VM_INFO64, reinterpret_cast<host_info64_t>(&statistics),
                        &count) == KERN_SUCCESS) {
    const std::uint64_t pages = std::uint64_t{statistics.free_count} + statistics.inactive_count +
                                statistics.purgeable_count;
    least.take(pages * page_size);
  }
  mach_port_deallocate(mach_task_self(), host);
#elif defined(__linux__)
  if (const std::optional<std::string> meminfo = file_text("/proc/meminfo")) {
    least.take(meminfo_available(*meminfo));
  }
  const std::optional<std::string> mountinfo = file_text("/proc/self/mountinfo");
  const std::optional<std::string> proc_cgroup = file_text("/proc/self/cgroup");
  if (mountinfo && proc_cgroup) {
    take_cgroup_limits(2, *mountinfo, *proc_cgroup, &least);
    take_cgroup_limits(1, *mountinfo, *proc_cgroup, &least);
  }
  const long page_size = sysconf(_SC_PAGESIZE);
  const std::optional<std::string> statm = file_text("/proc/self/statm");
  const std::optional<process_sizes> sizes =
      statm && page_size > 0 ? statm_sizes(*statm, static_cast<std::uint64_t>(page_size))
                             : std::nullopt;
  if (sizes) {
    least.take(rlimit_room(RLIMIT_AS, sizes->virtual_bytes));
    least.take(rlimit_room(RLIMIT_DATA, sizes->data_bytes));
  }
#endif
  return least.value;
}

}  // namespace quarnel
