// An array of plain elements that owns its memory and grows by doubling.
// A growth that finds no memory says so and leaves the array as it was:
// nothing is thrown, and nothing of the C++ library's allocation is used,
// whose newer symbols a host's older C++ library may lack.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace quarnel {

template <class T>
class growable_array {
  static_assert(std::is_trivially_copyable<T>::value, "elements are moved as bytes");

 public:
  growable_array() = default;
  growable_array(const growable_array&) = delete;
  growable_array& operator=(const growable_array&) = delete;
  growable_array(growable_array&& other) noexcept { swap(other); }
  growable_array& operator=(growable_array&& other) noexcept {
    growable_array gone(std::move(other));
    swap(gone);
    return *this;
  }
  ~growable_array() { std::free(data_); }

  T* data() const { return data_; }
  std::int64_t room() const { return room_; }
  T& operator[](std::int64_t i) const { return data_[i]; }

  // Room for at least `count` elements: the room doubles, from
  // `first_room`, until it holds them. Elements added are zero when
  // `zeroed`, otherwise unset. False when out of memory.
  bool reserve(std::int64_t count, bool zeroed = false, std::int64_t first_room = 16) {
    if (count <= room_) return true;
    std::int64_t room = room_ < first_room ? first_room : room_ * 2;
    while (room < count) room *= 2;
    const std::size_t bytes = static_cast<std::size_t>(room) * sizeof(T);
    if (bytes / sizeof(T) != static_cast<std::size_t>(room)) return false;
    T* grown = static_cast<T*>(std::realloc(data_, bytes));
    if (grown == nullptr) return false;
    if (zeroed)
      std::memset(grown + room_, 0, static_cast<std::size_t>(room - room_) * sizeof(T));
    data_ = grown;
    room_ = room;
    return true;
  }

  // Exactly `count` elements, each zero when `zeroed`, in place of what the
  // array held. False when out of memory, the array then empty.
  bool assign(std::int64_t count, bool zeroed) {
    std::free(data_);
    data_ = nullptr;
    room_ = 0;
    const std::size_t size = static_cast<std::size_t>(count < 1 ? 1 : count);
    if (size > SIZE_MAX / sizeof(T)) return false;
    T* made = static_cast<T*>(zeroed ? std::calloc(size, sizeof(T)) : std::malloc(size * sizeof(T)));
    if (made == nullptr) return false;
    data_ = made;
    room_ = count < 1 ? 1 : count;
    return true;
  }

 private:
  void swap(growable_array& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(room_, other.room_);
  }

  T* data_ = nullptr;
  std::int64_t room_ = 0;
};

}  // namespace quarnel
