// A thread owned by an object that stops and joins it when it goes, as
// C++20's std::jthread does: unwinding past its owner (a host call that
// raises, say) never leaves the thread running, nor ends the process as a
// joinable std::thread's destruction would.
#pragma once

#include <thread>
#include <utility>

namespace quarnel {

class owned_thread {
 public:
  owned_thread() = default;
  // Runs `body` on a new thread; `request_stop(context)` asks it to end
  // soon. Throws std::system_error when no thread can be had.
  template <class Body>
  owned_thread(void (*request_stop)(void* context), void* context, Body&& body)
      : request_stop_(request_stop), context_(context), thread_(std::forward<Body>(body)) {}
  owned_thread(owned_thread&& other) noexcept { *this = std::move(other); }
  owned_thread& operator=(owned_thread&& other) noexcept {
    if (this != &other) {
      stop_and_join();
      request_stop_ = other.request_stop_;
      context_ = other.context_;
      thread_ = std::move(other.thread_);
    }
    return *this;
  }
  owned_thread(const owned_thread&) = delete;
  owned_thread& operator=(const owned_thread&) = delete;
  ~owned_thread() { stop_and_join(); }

  // Waits for the thread to end by itself.
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  // Asks the thread to stop, then waits for it.
  void stop_and_join() {
    if (!thread_.joinable()) return;
    if (request_stop_ != nullptr) request_stop_(context_);
    thread_.join();
  }

 private:
  void (*request_stop_)(void*) = nullptr;
  void* context_ = nullptr;
  std::thread thread_;
};

}  // namespace quarnel
