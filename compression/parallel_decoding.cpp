#include "compression/parallel_decoding.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "compression/decoding_source.h"
#include "platform/owned_thread.h"

namespace quarnel {
namespace {

// Decoded bytes are handed from a worker to the calling thread a chunk at
// a time; a worker runs at most chunks_ahead chunks ahead of the calling
// thread in its unit, and the units in flight (cut, being decoded, or
// being handed out) are one per worker and one more, which a worker done
// with its unit takes while the calling thread hands that one out: memory
// in flight stays about a unit per thread however far the text runs ahead
// of its reader.
constexpr std::size_t chunk_size = std::size_t{1} << 20;
constexpr std::int64_t chunks_ahead = 8;
// A unit is whole frames of at least unit_grain compressed bytes, and at
// most unit_most: a frame longer than that is decoded on one thread, with
// all that follows it, as is a frame whose header gives it more than
// frame_decoded_most bytes of text, the one frame of a file compressed
// whole (whose end it is no use waiting for).
constexpr std::size_t unit_grain = static_cast<std::size_t>(record_grain);
constexpr std::size_t unit_most = std::size_t{16} << 20;
constexpr unsigned long long frame_decoded_most = 1ull << 26;
// Compressed bytes read at a time while cutting units.
constexpr std::size_t read_size = std::size_t{1} << 20;

enum class unit_state : unsigned char { queued, decoding, whole, broken };

struct chunk {
  char* bytes;
  std::size_t size;
};

// Compressed bytes that begin with a stream, and their text as a worker
// decodes it.
struct unit {
  unsigned char* bytes = nullptr;  // owned
  std::size_t size = 0;
  chunk made[chunks_ahead];    // a ring of the chunks made and not yet handed out
  std::int64_t made_count = 0;   // chunks made, in all
  std::int64_t taken_count = 0;  // chunks handed out, in all
  unit_state state = unit_state::queued;
};

// Waits until `ready()`, through wait_for: the plain wait is a symbol of a
// C++ library newer than the one MATLAB loads into its process.
template <class Ready>
void wait_until(std::condition_variable& changed, std::unique_lock<std::mutex>& guard, Ready ready) {
  while (!ready()) changed.wait_for(guard, std::chrono::milliseconds(50));
}

}  // namespace

struct parallel_decoding {
  decoding_source* source = nullptr;
  // Units are cut by the calling thread from the compressed bytes read
  // ahead into `pending`, [pending_begin, pending_end), the first at
  // compressed offset pending_offset.
  growable_array<unsigned char> pending;
  std::size_t pending_begin = 0;
  std::size_t pending_end = 0;
  std::int64_t pending_offset = 0;
  bool input_ended = false;
  read_fault input_fault = read_fault::none;  // the compressed source's, after `pending`
  bool cut_ended = false;           // no unit is cut after the last one
  std::int64_t next_recorded = 0;   // the record's unit to cut next
  // A ring of unit slots: units cut, taken by a worker, and handed out
  // whole (every one before `head`), each counted in all.
  std::unique_ptr<unit[]> units;
  int slots = 0;
  std::int64_t cut = 0;
  std::int64_t claimed = 0;
  std::int64_t head = 0;
  std::int64_t head_given = 0;   // bytes of the head unit handed out
  std::size_t chunk_given = 0;   // bytes of its next chunk handed out
  // Chunks handed out, for workers to fill again.
  std::unique_ptr<char*[]> spare;
  int spare_count = 0;
  int spare_room = 0;
  std::mutex lock;
  std::condition_variable changed;
  std::atomic<bool> stopping{false};
  bool broken = false;  // a unit did not decode whole: no later one is wanted
  // Once handed over to the one-threaded decode: the text of the first unit
  // it decodes that was handed out already, and where its compressed bytes
  // are read from (unit `read_unit`, then `pending`, then the source).
  bool handed_over = false;
  std::int64_t skip = 0;
  std::int64_t read_unit = 0;
  std::size_t read_at = 0;
  // Last, so that they are stopped and joined before anything they use goes.
  std::unique_ptr<owned_thread[]> workers;
  int worker_count = 0;

  unit& at(std::int64_t k) { return units[static_cast<std::size_t>(k % slots)]; }
};

namespace {

// Keeps a chunk whose text is out, for a worker to fill again; the lock is held.
void give_back_chunk(parallel_decoding* p, char* bytes) {
  if (p->spare_count < p->spare_room) {
    p->spare[p->spare_count++] = bytes;
  } else {
    std::free(bytes);
  }
}

// Room for the next chunk of `u`, once it is no more than chunks_ahead
// ahead; null when stopping or out of memory.
char* take_chunk(parallel_decoding* p, unit* u) {
  {
    std::unique_lock<std::mutex> guard(p->lock);
    wait_until(p->changed, guard,
               [&] { return p->stopping || u->made_count - u->taken_count < chunks_ahead; });
    if (p->stopping) return nullptr;
    if (p->spare_count > 0) return p->spare[--p->spare_count];
  }
  return static_cast<char*>(std::malloc(chunk_size));
}

void hand_chunk(parallel_decoding* p, unit* u, chunk made) {
  std::lock_guard<std::mutex> guard(p->lock);
  u->made[u->made_count % chunks_ahead] = made;
  ++u->made_count;
  p->changed.notify_all();
}

// Decodes `u` with `decoder`, handing its text over a chunk at a time.
// True when it is whole streams, the last ending with its bytes; false when
// it is not (damaged, cut short, not ending where the next unit begins), or
// when stopped or out of memory: its chunk in hand is then dropped.
bool decode_unit(parallel_decoding* p, unit* u, stream_decoder* decoder) {
  if (!decoder->restart(decoder->state)) return false;
  decode_window window{u->bytes, u->size, nullptr, 0};
  chunk in_hand{nullptr, 0};
  bool in_stream = false;  // a stream has begun and not yet ended
  bool whole = false;
  while (!p->stopping.load(std::memory_order_relaxed)) {
    if (in_hand.bytes != nullptr && in_hand.size == chunk_size) {
      hand_chunk(p, u, in_hand);
      in_hand = {nullptr, 0};
    }
    if (in_hand.bytes == nullptr && (in_hand.bytes = take_chunk(p, u)) == nullptr) break;
    window.out = in_hand.bytes + in_hand.size;
    window.out_size = chunk_size - in_hand.size;
    const std::size_t in_before = window.in_size;
    const decode_status status = decoder->decode(decoder->state, &window, true);
    const std::size_t given = chunk_size - in_hand.size - window.out_size;
    in_hand.size += given;
    const bool progressed = given != 0 || window.in_size != in_before;
    if (status == decode_status::corrupt || status == decode_status::out_of_memory) break;
    if (status == decode_status::stream_end) {
      // As on one thread: a stream that ends before any byte of it is bad.
      if (!progressed && !in_stream) break;
      in_stream = false;
      if (!decoder->restart(decoder->state)) break;
      if (window.in_size == 0) {
        whole = true;
        break;
      }
      continue;
    }
    if (!progressed) break;  // the unit ends inside a stream
    in_stream = true;
  }
  if (whole && in_hand.size != 0) {
    hand_chunk(p, u, in_hand);
  } else if (in_hand.bytes != nullptr) {
    std::lock_guard<std::mutex> guard(p->lock);
    give_back_chunk(p, in_hand.bytes);
  }
  return whole;
}

// A worker: decodes units in the order they were cut until stopped or a
// unit is not whole.
void work(parallel_decoding* p) {
  stream_decoder decoder{};
  const bool made = p->source->create(&decoder);
  for (;;) {
    unit* u;
    {
      std::unique_lock<std::mutex> guard(p->lock);
      wait_until(p->changed, guard, [&] { return p->stopping || p->broken || p->claimed < p->cut; });
      if (p->stopping || p->broken) break;
      u = &p->at(p->claimed++);
      u->state = unit_state::decoding;
    }
    const bool whole = made && decode_unit(p, u, &decoder);
    std::lock_guard<std::mutex> guard(p->lock);
    u->state = whole ? unit_state::whole : unit_state::broken;
    if (!whole) p->broken = true;
    p->changed.notify_all();
  }
  if (made) decoder.release(decoder.state);
}

void request_stop(void* context) {
  parallel_decoding* p = static_cast<parallel_decoding*>(context);
  std::lock_guard<std::mutex> guard(p->lock);
  p->stopping = true;
  p->changed.notify_all();
}

// Reads more compressed bytes after those pending, first moving these to
// the start. False when out of memory; at the end or on a fault of the
// compressed source, input_ended is set (bytes read with a fault are
// dropped, as on one thread).
bool read_more(parallel_decoding* p) {
  if (p->pending_begin != 0) {
    const std::size_t kept = p->pending_end - p->pending_begin;
    if (kept != 0) std::memmove(p->pending.data(), p->pending.data() + p->pending_begin, kept);
    p->pending_offset += static_cast<std::int64_t>(p->pending_begin);
    p->pending_begin = 0;
    p->pending_end = kept;
  }
  if (!p->pending.reserve(static_cast<std::int64_t>(p->pending_end + read_size))) return false;
  const byte_source& compressed = p->source->compressed;
  read_fault fault = read_fault::none;
  const std::size_t count = compressed.read(
      compressed.context, reinterpret_cast<char*>(p->pending.data() + p->pending_end), read_size, &fault);
  if (fault != read_fault::none) {
    p->input_ended = true;
    p->input_fault = fault;
  } else if (count == 0) {
    p->input_ended = true;
  } else {
    p->pending_end += count;
  }
  return true;
}

std::size_t pending_size(const parallel_decoding* p) { return p->pending_end - p->pending_begin; }

// The size of the next unit of zstd frames at the start of `pending`; 0,
// with cut_ended, when the rest is to be decoded on one thread: it holds
// no whole frame (the data ends, its bytes are not a frame or padding, the
// frame is too long).
std::size_t next_zstd_unit(parallel_decoding* p) {
#ifndef QUARNEL_HAVE_ZSTD
  p->cut_ended = true;  // never opened without the library
  return 0;
#else
  std::size_t size = 0;
  for (;;) {
    const unsigned char* at = p->pending.data() + p->pending_begin + size;
    const std::size_t left = pending_size(p) - size;
    const zstd_frame frame = left == 0 ? zstd_frame{frame_found::needs_more, 0, 0}
                                       : find_zstd_frame(at, left);
    if (frame.found == frame_found::needs_more) {
      // Read on for the frame's end, unless the frame is too long for a
      // unit (by its bytes so far, or its header's count of text) or the
      // data ends inside it.
      const bool too_long = frame.content_size > frame_decoded_most || left >= unit_most;
      if (!too_long && !p->input_ended && read_more(p)) continue;
      if (size == 0 || !too_long) p->cut_ended = true;
      return size;
    }
    if (frame.found == frame_found::not_a_frame || size + frame.size > unit_most) {
      if (frame.found == frame_found::not_a_frame || size == 0) p->cut_ended = true;
      return size;
    }
    size += frame.size;
    if (size >= unit_grain) return size;
  }
#endif
}

// The size of the record's next unit, read into `pending`; 0, with
// cut_ended, once the record has no more, or the file does not hold the
// unit it says (a file changed since its record, the rest is decoded on one
// thread), or the unit is too long.
std::size_t next_recorded_unit(parallel_decoding* p) {
  const stream_record& record = *p->source->record;
  const std::int64_t k = p->next_recorded;
  const std::int64_t start = k < record.count ? record.starts[k] : 0;
  const std::int64_t end = k + 1 < record.count ? record.starts[k + 1] : record.end;
  const std::int64_t size = end - start;
  if (k >= record.count || start != p->pending_offset + static_cast<std::int64_t>(p->pending_begin) ||
      size <= 0 || size > static_cast<std::int64_t>(unit_most)) {
    p->cut_ended = true;
    return 0;
  }
  while (pending_size(p) < static_cast<std::size_t>(size) && !p->input_ended && read_more(p)) {
  }
  if (pending_size(p) < static_cast<std::size_t>(size)) {
    p->cut_ended = true;
    return 0;
  }
  ++p->next_recorded;
  return static_cast<std::size_t>(size);
}

// Cuts units until every slot holds one in flight, the data is
// all cut, or a unit proved not whole.
void cut_units(parallel_decoding* p) {
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(p->lock);
      if (p->cut_ended || p->broken || p->cut - p->head >= p->slots) return;
    }
    const std::size_t size = p->source->format == compression_format::zstd ? next_zstd_unit(p)
                                                                           : next_recorded_unit(p);
    if (size == 0) return;
    unsigned char* bytes = static_cast<unsigned char*>(std::malloc(size));
    if (bytes == nullptr) {  // the rest on one thread, which needs less
      p->cut_ended = true;
      return;
    }
    std::memcpy(bytes, p->pending.data() + p->pending_begin, size);
    p->pending_begin += size;
    unit& u = p->at(p->cut);
    u.bytes = bytes;
    u.size = size;
    u.made_count = 0;
    u.taken_count = 0;
    u.state = unit_state::queued;
    std::lock_guard<std::mutex> guard(p->lock);
    ++p->cut;
    p->changed.notify_all();
  }
}

// The compressed bytes from the head unit on, for the one-threaded decode:
// the units cut, what is pending, then the compressed source.
std::size_t read_handed_over(void* context, char* into, std::size_t size, read_fault* fault) {
  parallel_decoding* p = static_cast<parallel_decoding*>(context);
  while (p->read_unit < p->cut) {
    unit& u = p->at(p->read_unit);
    if (p->read_at < u.size) {
      const std::size_t count = size < u.size - p->read_at ? size : u.size - p->read_at;
      std::memcpy(into, u.bytes + p->read_at, count);
      p->read_at += count;
      return count;
    }
    std::free(u.bytes);
    u.bytes = nullptr;
    ++p->read_unit;
    p->read_at = 0;
  }
  if (pending_size(p) != 0) {
    const std::size_t count = size < pending_size(p) ? size : pending_size(p);
    std::memcpy(into, p->pending.data() + p->pending_begin, count);
    p->pending_begin += count;
    return count;
  }
  if (p->input_fault != read_fault::none) {
    *fault = p->input_fault;
    return 0;
  }
  if (p->input_ended) return 0;
  return p->source->compressed.read(p->source->compressed.context, into, size, fault);
}

// Stops the workers, drops the text they made, and hands the rest of the
// data, from the head unit's start, to the one-threaded decode.
void hand_over(parallel_decoding* p) {
  for (int i = 0; i < p->worker_count; ++i) p->workers[i].stop_and_join();
  for (std::int64_t k = p->head; k < p->cut; ++k) {
    unit& u = p->at(k);
    for (std::int64_t c = u.taken_count; c < u.made_count; ++c) std::free(u.made[c % chunks_ahead].bytes);
    u.taken_count = u.made_count;
  }
  while (p->spare_count > 0) std::free(p->spare[--p->spare_count]);
  p->handed_over = true;
  p->skip = p->head_given;
  p->read_unit = p->head;
  p->read_at = 0;
  p->source->handed_over = {p, read_handed_over};
  if (!start_one_thread_after(p->source, p->head > 0)) p->source->fault = read_fault::out_of_memory;
}

// The one-threaded decode's bytes past those of its first unit that were
// handed out already.
std::size_t read_after_hand_over(parallel_decoding* p, char* into, std::size_t size,
                                 read_fault* fault) {
  while (p->skip > 0) {
    const std::size_t ask = static_cast<std::int64_t>(size) < p->skip ? size : static_cast<std::size_t>(p->skip);
    const std::size_t count = read_on_one_thread(p->source, into, ask, fault);
    if (count == 0) return 0;
    p->skip -= static_cast<std::int64_t>(count);
  }
  return read_on_one_thread(p->source, into, size, fault);
}

}  // namespace

parallel_decoding* parallel_decoding_start(decoding_source* source) {
  const bool by_frames = source->format == compression_format::zstd;
  const bool by_record = (source->format == compression_format::gzip ||
                          source->format == compression_format::bzip2) &&
                         source->record != nullptr && !source->recording && source->record->count > 1;
  if (source->threads < 2 || source->create == nullptr || !(by_frames || by_record)) return nullptr;
  int workers = source->threads;
  if (by_record && source->record->count < workers) workers = static_cast<int>(source->record->count);
  try {
    std::unique_ptr<parallel_decoding> p(new parallel_decoding);
    p->source = source;
    p->slots = workers + 1;
    p->units.reset(new unit[static_cast<std::size_t>(p->slots)]);
    p->spare_room = p->slots * static_cast<int>(chunks_ahead + 1);
    p->spare.reset(new char*[static_cast<std::size_t>(p->spare_room)]);
    p->workers.reset(new owned_thread[static_cast<std::size_t>(workers)]);
    parallel_decoding* started = p.get();
    try {
      for (; p->worker_count < workers; ++p->worker_count)
        p->workers[p->worker_count] = owned_thread(request_stop, started, [started] { work(started); });
    } catch (const std::exception&) {
      // Fewer threads than asked for: those started do the work.
    }
    if (p->worker_count == 0) return nullptr;
    return p.release();
  } catch (const std::exception&) {
    return nullptr;
  }
}

void parallel_decoding_stop(parallel_decoding* p) {
  if (p == nullptr) return;
  for (int i = 0; i < p->worker_count; ++i) p->workers[i].stop_and_join();
  for (int s = 0; s < p->slots; ++s) {
    unit& u = p->units[s];
    for (std::int64_t c = u.taken_count; c < u.made_count; ++c) std::free(u.made[c % chunks_ahead].bytes);
    std::free(u.bytes);
  }
  while (p->spare_count > 0) std::free(p->spare[--p->spare_count]);
  delete p;
}

std::size_t parallel_decoding_read(decoding_source* source, char* into, std::size_t size,
                                   read_fault* fault) {
  parallel_decoding* p = source->parallel;
  if (p->handed_over) return read_after_hand_over(p, into, size, fault);
  std::size_t given = 0;
  while (given < size) {
    cut_units(p);
    if (p->head == p->cut) {  // nothing more cut: the rest is on one thread
      if (given != 0) break;
      hand_over(p);
      return read_after_hand_over(p, into, size, fault);
    }
    unit& u = p->at(p->head);
    bool ready;  // a chunk of its text is there to hand out
    unit_state state;
    {
      std::unique_lock<std::mutex> guard(p->lock);
      // Whatever is ready goes out first; a read that has some waits no more.
      if (given != 0 && u.taken_count == u.made_count && u.state != unit_state::whole) break;
      wait_until(p->changed, guard, [&] {
        return u.taken_count < u.made_count || u.state == unit_state::whole ||
               u.state == unit_state::broken;
      });
      ready = u.taken_count < u.made_count;
      state = u.state;
    }
    if (ready) {
      chunk& from = u.made[u.taken_count % chunks_ahead];
      const std::size_t count =
          size - given < from.size - p->chunk_given ? size - given : from.size - p->chunk_given;
      std::memcpy(into + given, from.bytes + p->chunk_given, count);
      given += count;
      p->chunk_given += count;
      p->head_given += static_cast<std::int64_t>(count);
      source->decoded_apart += static_cast<std::int64_t>(count);
      if (p->chunk_given == from.size) {
        p->chunk_given = 0;
        std::lock_guard<std::mutex> guard(p->lock);
        ++u.taken_count;
        give_back_chunk(p, from.bytes);
        p->changed.notify_all();
      }
    } else if (state == unit_state::whole) {
      std::free(u.bytes);
      u.bytes = nullptr;
      p->head_given = 0;
      std::lock_guard<std::mutex> guard(p->lock);
      ++p->head;
      p->changed.notify_all();
    } else {  // broken: it and the rest on one thread, from its start
      if (given != 0) break;
      hand_over(p);
      return read_after_hand_over(p, into, size, fault);
    }
  }
  return given;
}

}  // namespace quarnel
