// Runs numbered tasks on worker threads while the calling thread waits.
// The calling thread is the only one that may call the host, so it does no
// task itself when workers run, and it returns only once every task ended.
#pragma once

namespace quarnel {

struct task_list {
  void* context;
  int count;
  // Runs task `k`; must not throw.
  void (*run)(void* context, int k);
  // When not null, called on the calling thread about every half second
  // while workers run the tasks; must not throw.
  void (*tick)(void* context) = nullptr;
};

// Runs every task of `tasks`, on up to `threads` threads at once. With one
// thread, or when no thread can be started, the tasks run on the calling
// thread, in order, and `tick` is not called.
void run_tasks(const task_list& tasks, int threads);

}  // namespace quarnel
