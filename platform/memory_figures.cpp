#include "platform/memory_figures.h"

#include <limits>

#include "numbers/saturating_arithmetic.h"

namespace quarnel {

namespace {

constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// The decimal number `text` begins with, saturating at the largest value.
std::optional<std::uint64_t> leading_number(std::string_view text) {
  std::size_t i = 0;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    value = value > (most - digit) / 10 ? most : value * 10 + digit;
  }
  if (i == 0) return std::nullopt;
  return value;
}

// Calls `visit(line)` for each line of `text` until it returns true.
template <typename Visit>
void each_line(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (visit(line)) return;
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

// The number on the line whose first word is `key`, as in meminfo's
// "MemAvailable:   123 kB" or memory.stat's "inactive_file 123".
std::optional<std::uint64_t> keyed_number(std::string_view text, std::string_view key) {
  std::optional<std::uint64_t> found;
  each_line(text, [&](std::string_view line) {
    if (line.substr(0, key.size()) != key) return false;
    line.remove_prefix(key.size());
    if (line.empty() || (line.front() != ':' && !is_blank(line.front()))) return false;
    if (line.front() == ':') line.remove_prefix(1);
    found = leading_number(trimmed(line));
    return true;
  });
  return found;
}

// The words of `line` separated by single spaces, as the kernel writes them.
std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> result;
  while (!line.empty()) {
    const std::size_t end = line.find(' ');
    if (end != 0) result.push_back(line.substr(0, end));
    if (end == std::string_view::npos) break;
    line.remove_prefix(end + 1);
  }
  return result;
}

// A path of mountinfo, where space, tab, newline and backslash are written
// as a backslash and three octal digits.
std::string unescaped(std::string_view field) {
  std::string result;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                       field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                       field[i + 3] >= '0' && field[i + 3] <= '7';
    if (octal) {
      result += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                  (field[i + 3] - '0'));
      i += 3;
    } else {
      result += field[i];
    }
  }
  return result;
}

// Whether the comma-separated `comma_list` holds `item`.
bool lists(std::string_view comma_list, std::string_view item) {
  while (true) {
    const std::size_t end = comma_list.find(',');
    if (comma_list.substr(0, end) == item) return true;
    if (end == std::string_view::npos) return false;
    comma_list.remove_prefix(end + 1);
  }
}

// The first mount of file system type `type` whose super options list
// `option` (any when empty).
std::optional<cgroup_mount> mount_of(std::string_view mountinfo, std::string_view type,
                                     std::string_view option) {
  std::optional<cgroup_mount> found;
  each_line(mountinfo, [&](std::string_view line) {
    const std::vector<std::string_view> fields = words(line);
    // id, parent, device, root, mount point, options, optional fields,
    // "-", type, source, super options.
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 3 >= fields.size()) return false;
    if (fields[separator + 1] != type) return false;
    if (!option.empty() && !lists(fields[separator + 3], option)) return false;
    found = cgroup_mount{unescaped(fields[4]), unescaped(fields[3])};
    return true;
  });
  return found;
}

// The path on the line of /proc/self/cgroup for version 2 ("0::path") or
// for version 1's memory controller ("N:cpu,memory:path").
std::optional<std::string> cgroup_path_of(std::string_view proc_cgroup, bool version2) {
  std::optional<std::string> found;
  each_line(proc_cgroup, [&](std::string_view line) {
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos) return false;
    const std::size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const bool match = version2 ? line.substr(0, first) == "0" && controllers.empty()
                                : lists(controllers, "memory");
    if (!match) return false;
    found = std::string(line.substr(second + 1));
    return true;
  });
  return found;
}

}  // namespace

std::optional<std::uint64_t> least_known(
    std::initializer_list<std::optional<std::uint64_t>> figures) {
  std::optional<std::uint64_t> least;
  for (const std::optional<std::uint64_t>& figure : figures) {
    if (figure && (!least || *figure < *least)) least = figure;
  }
  return least;
}

std::uint64_t room_under(std::uint64_t limit, std::uint64_t used) {
  return used < limit ? limit - used : 0;
}

std::optional<std::uint64_t> meminfo_available(std::string_view meminfo) {
  const std::optional<std::uint64_t> kibibytes = keyed_number(meminfo, "MemAvailable");
  if (!kibibytes) return std::nullopt;
  return saturating_product(*kibibytes, 1024);
}

std::optional<process_sizes> statm_sizes(std::string_view statm, std::uint64_t page_size) {
  const std::vector<std::string_view> fields = words(trimmed(statm));
  if (fields.size() < 6) return std::nullopt;
  const std::optional<std::uint64_t> size = leading_number(fields[0]);
  const std::optional<std::uint64_t> data = leading_number(fields[5]);
  if (!size || !data) return std::nullopt;
  return process_sizes{saturating_product(*size, page_size), saturating_product(*data, page_size)};
}

std::optional<cgroup_mount> cgroup2_mount(std::string_view mountinfo) {
  return mount_of(mountinfo, "cgroup2", "");
}

std::optional<cgroup_mount> cgroup1_memory_mount(std::string_view mountinfo) {
  return mount_of(mountinfo, "cgroup", "memory");
}

std::optional<std::string> cgroup2_path(std::string_view proc_cgroup) {
  return cgroup_path_of(proc_cgroup, true);
}

std::optional<std::string> cgroup1_memory_path(std::string_view proc_cgroup) {
  return cgroup_path_of(proc_cgroup, false);
}

std::vector<std::string> cgroup_directories(const cgroup_mount& mount, const std::string& path) {
  // The part of `path` below the mount's root; a path outside it (shown
  // as "/../.." to a process beyond its namespace's cgroup) is not there.
  std::string below;
  if (mount.root == "/") {
    below = path;
  } else if (path == mount.root) {
    below = "";
  } else if (path.compare(0, mount.root.size() + 1, mount.root + "/") == 0) {
    below = path.substr(mount.root.size());
  } else {
    return {};
  }
  if (!below.empty() && below.front() != '/') return {};
  if ((below + "/").find("/../") != std::string::npos) return {};
  while (!below.empty() && below.back() == '/') below.pop_back();

  std::vector<std::string> directories;
  while (!below.empty()) {
    directories.push_back(mount.directory + below);
    below.erase(below.rfind('/'));
  }
  directories.push_back(mount.directory);
  return directories;
}

std::optional<std::uint64_t> cgroup_limit(std::string_view limit_text) {
  const std::optional<std::uint64_t> limit = leading_number(trimmed(limit_text));
  // Version 1 writes "no limit" as the largest count of pages it keeps,
  // close to 2^63; no machine has 2^62 bytes.
  if (!limit || *limit >= (std::uint64_t{1} << 62)) return std::nullopt;
  return limit;
}

std::uint64_t cgroup_room(std::uint64_t limit, std::string_view usage_text, std::string_view stat,
                          int version) {
  const std::optional<std::uint64_t> usage = leading_number(trimmed(usage_text));
  if (!usage) return limit;
  // Version 1's usage counts the cgroups below too, as do its total_ keys;
  // version 2 counts them in every figure.
  const bool v1 = version == 1;
  const std::uint64_t active =
      keyed_number(stat, v1 ? "total_active_file" : "active_file").value_or(0);
  const std::uint64_t inactive =
      keyed_number(stat, v1 ? "total_inactive_file" : "inactive_file").value_or(0);
  return room_under(limit, room_under(*usage, saturating_sum(active, inactive)));
}

}  // namespace quarnel
