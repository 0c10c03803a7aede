#include "task_threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quarnel {
namespace {

// How many workers have run out of tasks, for a calling thread that ticks
// while it waits for them.
struct finished_workers {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
};

void take_tasks(const task_list* tasks, std::atomic<int>* next) {
  for (int k; (k = next->fetch_add(1)) < tasks->count;) tasks->run(tasks->context, k);
}

void work(const task_list* tasks, std::atomic<int>* next, finished_workers* finished) {
  take_tasks(tasks, next);
  {
    std::lock_guard<std::mutex> lock(finished->mutex);
    ++finished->count;
  }
  finished->changed.notify_one();
}

void wait_ticking(const task_list& tasks, finished_workers* finished, int workers) {
  std::unique_lock<std::mutex> lock(finished->mutex);
  while (!finished->changed.wait_for(lock, std::chrono::milliseconds(500),
                                     [&] { return finished->count == workers; })) {
    lock.unlock();
    tasks.tick(tasks.context);
    lock.lock();
  }
}

}  // namespace

void run_tasks(const task_list& tasks, int threads) {
  std::atomic<int> next{0};
  const int workers = threads < tasks.count ? threads : tasks.count;
  if (workers <= 1) {
    take_tasks(&tasks, &next);
    return;
  }
  finished_workers finished;
  std::vector<std::thread> started;
  try {
    started.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) started.emplace_back(work, &tasks, &next, &finished);
  } catch (const std::exception&) {
    // No (more) threads to be had: whatever the started ones leave, the
    // calling thread takes.
  }
  if (started.empty()) take_tasks(&tasks, &next);
  else if (tasks.tick != nullptr) wait_ticking(tasks, &finished, static_cast<int>(started.size()));
  for (std::thread& worker : started) worker.join();
}

}  // namespace quarnel
