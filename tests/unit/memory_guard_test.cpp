// The memory guard's parts: the figures read from the system's texts, the
// bytes a read needs, and the message when they do not fit.
#include "platform/available_memory.h"
#include "platform/memory_figures.h"
#include "reader/memory_guard.h"
#include "reader/read_failure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#endif

namespace {

using quarnel::cgroup_mount;
using strings = std::vector<std::string>;
constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();

TEST(MemoryFigures, SystemAndProcessTexts) {
  const char* meminfo =
      "MemTotal:       24683716 kB\nMemFree:         1000 kB\nMemAvailable:   24195448 kB\n";
  EXPECT_EQ(quarnel::meminfo_available(meminfo), 24195448ull * 1024);
  // A kernel before 3.14: no estimate, no figure.
  EXPECT_EQ(quarnel::meminfo_available("MemTotal: 8 kB\nMemFree: 4 kB\n"), std::nullopt);

  const auto sizes = quarnel::statm_sizes("765 410 382 5 0 123 0\n", 4096);
  ASSERT_TRUE(sizes);
  EXPECT_EQ(sizes->virtual_bytes, 765u * 4096);
  EXPECT_EQ(sizes->data_bytes, 123u * 4096);
  EXPECT_FALSE(quarnel::statm_sizes("765 410 382\n", 4096));

  EXPECT_EQ(quarnel::least_known({std::nullopt, 7u, 3u, std::nullopt, 5u}), 3u);
  EXPECT_EQ(quarnel::least_known({std::nullopt, std::nullopt}), std::nullopt);
}

TEST(MemoryFigures, CgroupLimitsAndRoom) {
  EXPECT_EQ(quarnel::cgroup_limit("max\n"), std::nullopt);                  // version 2, none
  EXPECT_EQ(quarnel::cgroup_limit("9223372036854771712\n"), std::nullopt);  // version 1, none
  EXPECT_EQ(quarnel::cgroup_limit("1073741824\n"), 1073741824u);
  EXPECT_EQ(quarnel::cgroup_limit(""), std::nullopt);

  // Page cache counts as free: 900 used, 400 of it cache, under 1000.
  const char* stat2 = "anon 500\nactive_file 100\ninactive_file 300\n";
  EXPECT_EQ(quarnel::cgroup_room(1000, "900\n", stat2, 2), 500u);
  const char* stat1 =
      "active_file 1\ninactive_file 1\ntotal_active_file 100\ntotal_inactive_file 300\n";
  EXPECT_EQ(quarnel::cgroup_room(1000, "900\n", stat1, 1), 500u);
  EXPECT_EQ(quarnel::cgroup_room(1000, "1500\n", "", 2), 0u);       // over its limit
  EXPECT_EQ(quarnel::cgroup_room(1000, "200\n", stat2, 2), 1000u);  // less used than cache
  EXPECT_EQ(quarnel::cgroup_room(1000, "", "", 2), 1000u);          // usage unreadable
}

TEST(MemoryFigures, CgroupDirectoriesFromMountsAndPaths) {
  // A machine with both versions, the memory controller under version 1.
  const char* mountinfo =
      "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
      "31 30 0:28 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
      "34 30 0:31 / /sys/fs/cgroup/memory rw,relatime shared:9 - cgroup cgroup rw,memory\n"
      "40 30 0:37 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
  const char* proc_cgroup = "5:devices:/\n4:cpu,memory:/jobs/a7\n1:cpu:/\n0::/\n";
  const auto v1 = quarnel::cgroup1_memory_mount(mountinfo);
  const auto v2 = quarnel::cgroup2_mount(mountinfo);
  ASSERT_TRUE(v1 && v2);
  EXPECT_EQ(v1->directory, "/sys/fs/cgroup/memory");
  EXPECT_EQ(v2->directory, "/sys/fs/cgroup/unified");
  EXPECT_EQ(quarnel::cgroup1_memory_path(proc_cgroup), "/jobs/a7");
  EXPECT_EQ(quarnel::cgroup2_path(proc_cgroup), "/");
  EXPECT_EQ(quarnel::cgroup_directories(*v1, "/jobs/a7"),
            (strings{"/sys/fs/cgroup/memory/jobs/a7", "/sys/fs/cgroup/memory/jobs",
                     "/sys/fs/cgroup/memory"}));
  EXPECT_EQ(quarnel::cgroup_directories(*v2, "/"), strings{"/sys/fs/cgroup/unified"});

  // Version 2 alone; none of version 1; a mount point with a space.
  const char* only2 = "25 1 0:22 / /sys/fs/my\\040cg rw - cgroup2 cgroup2 rw,nsdelegate\n";
  EXPECT_EQ(quarnel::cgroup2_mount(only2)->directory, "/sys/fs/my cg");
  EXPECT_FALSE(quarnel::cgroup1_memory_mount(only2));
  EXPECT_FALSE(quarnel::cgroup1_memory_path("0::/user.slice\n"));

  // A container shown only its own cgroup: the mount's root is that cgroup.
  const cgroup_mount container{"/sys/fs/cgroup", "/docker/f00"};
  EXPECT_EQ(quarnel::cgroup_directories(container, "/docker/f00"), strings{"/sys/fs/cgroup"});
  EXPECT_EQ(quarnel::cgroup_directories(container, "/docker/f00/inner/"),
            (strings{"/sys/fs/cgroup/inner", "/sys/fs/cgroup"}));
  EXPECT_TRUE(quarnel::cgroup_directories(container, "/docker/f001").empty());
  EXPECT_TRUE(quarnel::cgroup_directories({"/sys/fs/cgroup", "/"}, "/../..").empty());
}

#if defined(__linux__)
// The process's own address-space limit, lowered for the test to 1 GB
// beyond what it maps now, binds on a machine with more available.
TEST(AvailableMemory, SeesTheAddressSpaceLimit) {
  const auto unlimited = quarnel::available_memory();
  ASSERT_TRUE(unlimited);  // meminfo at least
  EXPECT_GT(*unlimited, 0u);

  std::ifstream statm("/proc/self/statm");
  const std::string text((std::istreambuf_iterator<char>(statm)), std::istreambuf_iterator<char>());
  const auto sizes = quarnel::statm_sizes(text, static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));
  ASSERT_TRUE(sizes);
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = sizes->virtual_bytes + 1000000000;
  if (saved.rlim_cur != RLIM_INFINITY && saved.rlim_cur < lowered.rlim_cur) GTEST_SKIP();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
  const auto limited = quarnel::available_memory();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
  ASSERT_TRUE(limited);
  EXPECT_LE(*limited, 1000000000u);
  EXPECT_GT(*limited, 900000000u);
}
#endif

TEST(MemoryNeed, OutputsCopiesAndWorkingMemory) {
  // Lines "1 1:1": one label, one column, an entry in each per line.
  const quarnel::output_counts lines{1, 1, 700000000, 700000000};
  const std::uint64_t outputs = 2 * (700000000ull * 16 + 2 * 8) + 8;
  EXPECT_EQ(quarnel::output_bytes(lines), outputs);
  EXPECT_EQ(quarnel::peak_memory_need(lines, false, 1000), outputs + 1000);
  EXPECT_EQ(quarnel::peak_memory_need(lines, true, 1000), 2 * outputs + 1000);
  // Asked for, query_id adds a double per instance.
  EXPECT_EQ(quarnel::output_bytes({1, 1, 700000000, 700000000, 700000000}),
            outputs + 700000000ull * 8);

  // No entries at all: each matrix keeps room for one, and a column start.
  EXPECT_EQ(quarnel::output_bytes({0, 0, 0, 0}), 2 * (16 + 8));

  // Indices -2147483648 and 2147483647: 2^32 columns, 32 GB of starts.
  const quarnel::output_counts wide{1, std::int64_t{1} << 32, 1, 2};
  EXPECT_EQ(quarnel::output_bytes(wide), (16 + 2 * 8) + (2 * 16 + ((1ull << 32) + 1) * 8) + 8);

  // Absurd counts saturate instead of wrapping; negative ones count as none.
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(quarnel::output_bytes({huge, huge, huge, huge}), most);
  EXPECT_EQ(quarnel::peak_memory_need({0, 0, 0, huge / 16}, true, most - 1), most);
  EXPECT_EQ(quarnel::output_bytes({-5, -1, -9, -2}), quarnel::output_bytes({0, 0, 0, 0}));
}

// The memory guard's message for outputs of `need` bytes when `available`
// are.
std::string memory_message_for(const char* fname, std::uint64_t need, std::uint64_t available) {
  quarnel::read_failure failure = quarnel::failure_of(quarnel::read_error::too_large);
  failure.memory = {need, available};
  return quarnel::failure_message(failure, fname);
}

TEST(MemoryNeed, MessageFigures) {
  EXPECT_EQ(memory_message_for("big.txt.gz", 33550000000, 21949999999),
            "not enough memory to read input file big.txt.gz: its outputs need 33.6 GB "
            "and 21.9 GB are available\n");
  // The need rounds up and the available memory down, so a need just above
  // what is available never reads as the same figure.
  EXPECT_EQ(memory_message_for("f", 21900000001, 21900000000),
            "not enough memory to read input file f: its outputs need 22.0 GB "
            "and 21.9 GB are available\n");
  // Below 1 GB in MB, switching to GB where rounding reaches 1000.0 MB.
  EXPECT_EQ(memory_message_for("f", 999950001, 999999999),
            "not enough memory to read input file f: its outputs need 1.0 GB "
            "and 999.9 MB are available\n");
  EXPECT_EQ(memory_message_for("f", 500000001, 0),
            "not enough memory to read input file f: its outputs need 500.1 MB "
            "and 0.0 MB are available\n");
  EXPECT_EQ(memory_message_for("f", most, 1000000000),
            "not enough memory to read input file f: its outputs need 18446744073.8 GB "
            "and 1.0 GB are available\n");
}

}  // namespace
