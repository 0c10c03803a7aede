#include "task_threads.h"

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace quarnel {
namespace {

void take_tasks(const task_list* tasks, std::atomic<int>* next) {
  for (int k; (k = next->fetch_add(1)) < tasks->count;) tasks->run(tasks->context, k);
}

}  // namespace

void run_tasks(const task_list& tasks, int threads) {
  std::atomic<int> next{0};
  const int workers = threads < tasks.count ? threads : tasks.count;
  if (workers <= 1) {
    take_tasks(&tasks, &next);
    return;
  }
  std::vector<std::thread> started;
  try {
    started.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) started.emplace_back(take_tasks, &tasks, &next);
  } catch (const std::exception&) {
    // No (more) threads to be had: whatever the started ones leave, the
    // calling thread takes.
  }
  if (started.empty()) take_tasks(&tasks, &next);
  for (std::thread& worker : started) worker.join();
}

}  // namespace quarnel
