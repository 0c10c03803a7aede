// The reader's entry: reads a multi-label data file into the host's output
// slots. This and the module entry are the only code that talks to the host.
#pragma once

#include "mex.h"

// Reads the file `fname` and places label_vector, instance_matrix and
// label_map in the three slots of `plhs`. On failure it prints one message and
// leaves empty 0-by-0 matrices in slots 1 and 2 and nothing in slot 3.
void load_multilabel_file(const char* fname, mxArray* plhs[]);
