// A named file as the ranges its reading takes: its kind checked, its
// format recognised, the part that the options choose split at line ends
// for the threads (a compressed file as one range).
#pragma once

#include "reader/read_failure.h"
#include "reader/read_options.h"
#include "reader/text/file_ranges.h"

namespace quarnel {

// Opens the file `fname` as the ranges its reading takes, by
// options.offset, options.length and options.threads. Returns no_failure(),
// or why the file cannot be read.
read_failure open_file_ranges(const char* fname, const read_options& options,
                              file_ranges* ranges);

// A failure of a read of the part options.offset chooses, its lines
// counted in that part, as failure_message names them.
read_failure in_part(read_failure failure, const read_options& options);

}  // namespace quarnel
