// How many threads Octave lets a computation use, for the oct-file entry.
#pragma once

namespace octave {
class interpreter;
}

namespace quarnel {

// Asked on the calling thread, as the MEX entry asks: maxNumCompThreads
// where a function of that name answers, else Octave's nproc, else the
// processor count; from 1 to max_threads.
int octave_thread_count(octave::interpreter& interpreter);

}  // namespace quarnel
