// How many threads the host lets a computation use.
#pragma once

namespace quarnel {

// Asked on the calling thread: MATLAB's maxNumCompThreads (1 on a parallel
// pool's workers, which must not oversubscribe their machine), else
// Octave's nproc, else the processor count; from 1 to max_threads.
int host_thread_count();

}  // namespace quarnel
