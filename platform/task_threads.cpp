#include "platform/task_threads.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/owned_thread.h"

namespace quarnel {
namespace {

// How many workers have run out of tasks, for a calling thread that ticks
// while it waits for them.
struct finished_workers {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
};

bool stopped(const task_list& tasks) {
  return tasks.stop != nullptr && tasks.stop->load(std::memory_order_relaxed);
}

void take_tasks(const task_list* tasks, std::atomic<int>* next) {
  for (int k; !stopped(*tasks) && (k = next->fetch_add(1)) < tasks->count;) {
    if (tasks->ready != nullptr && !tasks->ready(tasks->context, k)) return;
    tasks->run(tasks->context, k);
  }
}

void work(const task_list* tasks, std::atomic<int>* next, finished_workers* finished) {
  take_tasks(tasks, next);
  {
    std::lock_guard<std::mutex> lock(finished->mutex);
    ++finished->count;
  }
  finished->changed.notify_one();
}

// Waits until every worker has ended, ticking meanwhile.
void wait_ticking(const task_list& tasks, finished_workers* finished, int workers) {
  std::unique_lock<std::mutex> lock(finished->mutex);
  while (!finished->changed.wait_for(lock, task_tick_interval,
                                     [&] { return finished->count == workers; })) {
    if (tasks.tick == nullptr) continue;
    lock.unlock();
    tasks.tick(tasks.context);
    lock.lock();
  }
}

void request_stop(void* context) {
  std::atomic<bool>* stop = static_cast<std::atomic<bool>*>(context);
  if (stop != nullptr) stop->store(true);
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
  // Declared after what the workers use, so that on every path they are
  // stopped and joined before it goes.
  std::vector<owned_thread> started;
  try {
    started.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i)
      started.emplace_back(request_stop, tasks.stop, [&tasks, &next, &finished] {
        work(&tasks, &next, &finished);
      });
  } catch (const std::exception&) {
    // No (more) threads to be had: whatever the started ones leave, the
    // calling thread takes.
  }
  if (started.empty()) {
    take_tasks(&tasks, &next);
    return;
  }
  wait_ticking(tasks, &finished, static_cast<int>(started.size()));
  for (owned_thread& worker : started) worker.join();
}

}  // namespace quarnel
