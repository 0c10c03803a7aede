// Runs numbered tasks on worker threads while the calling thread waits.
// The calling thread is the only one that may call the host, so it does no
// task itself when workers run: it ticks, and returns only once every
// worker has ended.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace quarnel {

// Address space each worker takes besides its buffers: its stack (8 MiB by
// default) and the C library's allocation arena for it (64 MiB on 64-bit
// glibc). A limit on the process's address space counts them.
constexpr std::uint64_t worker_reserve_bytes = std::uint64_t{72} << 20;

// How often the calling thread ticks while workers run.
constexpr std::chrono::milliseconds task_tick_interval{50};

struct task_list {
  void* context;
  int count;
  // Runs task `k`; must not throw.
  void (*run)(void* context, int k);
  // When not null, called on the calling thread every task_tick_interval
  // while workers run the tasks.
  void (*tick)(void* context) = nullptr;
  // Once set, no further task starts; a running task ends early by
  // watching the same flag. Set by run_tasks itself when a tick throws,
  // before it waits for the workers.
  std::atomic<bool>* stop = nullptr;
  // When not null, task `k` runs only once ready(context, k) says so,
  // which may wait; false means neither it nor any later task will come,
  // so that `count` need only bound the tasks. Must not throw.
  bool (*ready)(void* context, int k) = nullptr;
};

// Runs every task of `tasks` (up to the stop), on up to `threads` threads
// at once. With one thread, or when no thread can be started, the tasks run
// on the calling thread, in order, and `tick` is not called.
void run_tasks(const task_list& tasks, int threads);

}  // namespace quarnel
