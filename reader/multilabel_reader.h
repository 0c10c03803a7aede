// The reader's whole sequence over one named file, free of any host: the
// file's kind and format, both scans over its ranges, the outputs made by
// the caller at their final shapes. The caller (the module's gateway) owns
// the outputs and the console.
#pragma once

#include <cstdint>
#include <string>

#include "reader/read_host.h"
#include "reader/read_options.h"
#include "reader/read_failure.h"
#include "reader/text/file_ranges.h"
#include "reader/text/line_reader.h"

namespace quarnel {

// Reads the file `fname`. Returns no_failure() when the outputs are made and
// filled; otherwise the failure, which failure_message turns into text.
read_failure read_multilabel_file(const char* fname, const read_options& options,
                                  read_host& host);

// The file `fname` as the ranges its reading takes: its kind checked, its
// format recognised, the part that options.offset and options.length choose
// split at line ends for options.threads (a compressed file as one range).
// Returns no_failure(), or why the file cannot be read.
read_failure open_file_ranges(const char* fname, const read_options& options,
                              file_ranges* ranges);

// A failure of a read of the part options.offset chooses, its lines
// counted in that part, as failure_message names them.
read_failure in_part(read_failure failure, const read_options& options);

// After the sizing scan of a file compressed in `format` found it malformed
// at `fault`: reads on through the rest of `reader`'s source, as damage to
// the data further on can make garbage of the text before it, and returns
// the damage, when the decoder meets it, in place of `fault`. The reader
// must be restarted after it.
read_failure damage_after_fault(line_reader* reader, const read_failure& fault,
                                compression_format format);

}  // namespace quarnel
