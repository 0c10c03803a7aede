// The entry of quarnel_write: checks the call, has the writer core write the
// matrices as text (compressed as the name's ending asks) into a temporary
// file beside the name, renames it over the name, and raises any failure
// through the host as its last act.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "compression/compression.h"
#include "gateway/call_options.h"
#include "gateway/host_arguments.h"
#include "gateway/host_names.h"
#include "gateway/host_views.h"
#include "gateway/module_export.h"
#include "mex.h"
#include "writer/multilabel_writer.h"

namespace {

using namespace quarnel;

// A failure to raise: its identifier and message, held in plain storage so
// that nothing is left to release when the host unwinds past the entry.
// The host names the function before the message itself.
struct raised {
  const char* id;  // null when the call succeeded
  char message[4096];
};

void fail(raised* outcome, const char* id, const std::string& message) {
  outcome->id = id;
  std::snprintf(outcome->message, sizeof outcome->message, "%s", message.c_str());
}

const char usage[] =
    "usage: quarnel_write(fname, label_vector, instance_matrix, label_map"
    " [, 'header', true] [, 'zero_based', true])";

bool is_matrix(const mxArray* array) { return mxGetNumberOfDimensions(array) == 2; }

// The kinds each matrix may be; false after recording what is wrong.
bool check_kinds(const mxArray* prhs[], raised* outcome) {
  const mxArray* labels = prhs[1];
  const mxArray* instances = prhs[2];
  const mxArray* label_map = prhs[3];
  if (!is_matrix(labels) || !(mxIsDouble(labels) || mxIsLogical(labels))) {
    fail(outcome, "quarnel:write:type", "label_vector must be a double or logical matrix");
  } else if (!is_matrix(instances) || !mxIsDouble(instances)) {
    fail(outcome, "quarnel:write:type", "instance_matrix must be a double matrix");
  } else if (!is_matrix(label_map) || !mxIsDouble(label_map) || mxIsSparse(label_map) ||
             (mxGetM(label_map) > 1 && mxGetN(label_map) > 1)) {
    fail(outcome, "quarnel:write:type", "label_map must be a full double vector");
  } else if (mxIsComplex(labels) || mxIsComplex(instances) || mxIsComplex(label_map)) {
    fail(outcome, "quarnel:write:complex",
         "label_vector, instance_matrix and label_map must be real");
  } else {
    return true;
  }
  return false;
}

// The name/value pairs after the four data arguments, taken as quarnel
// takes its own: the same plain arguments, and the rows of one table.
bool writer_options_of(int nrhs, const mxArray* prhs[], write_options* options, raised* outcome) {
  const option_table<write_call_options>& table = quarnel_write_options();
  write_call_options taken;
  for (int k = 4; k + 1 < nrhs; k += 2) {
    call_argument name;
    try {
      name = argument_of(prhs[k]);
    } catch (const std::bad_alloc&) {
      fail(outcome, "quarnel:write:memory", "not enough memory to read an option's name");
      return false;
    }
    const option_row<write_call_options>* option =
        name.is_text ? find_option(table, name.text) : nullptr;
    if (option == nullptr) {
      fail(outcome, "quarnel:write:option",
           "unknown option (the options are " + option_names(table) + ")");
      return false;
    }
    call_argument value;
    try {
      value = argument_of(prhs[k + 1]);
    } catch (const std::bad_alloc&) {
      fail(outcome, "quarnel:write:memory", "not enough memory to read an option's value");
      return false;
    }
    if (!option->land(value, &taken)) {
      fail(outcome, "quarnel:write:option", std::string("an option's value must be ") + option->takes);
      return false;
    }
  }
  if (taken.write.header && !taken.zero_based_given) taken.write.zero_based = true;
  *options = taken.write;
  return true;
}

const char* id_of(write_failure_kind kind) {
  switch (kind) {
    case write_failure_kind::label_not_integer:
    case write_failure_kind::label_out_of_range:
    case write_failure_kind::label_negative:
      return "quarnel:write:label";
    case write_failure_kind::header_one_based:
      return "quarnel:write:option";
    case write_failure_kind::bad_structure:
      return "quarnel:write:type";
    case write_failure_kind::out_of_memory:
      return "quarnel:write:memory";
    case write_failure_kind::write_failed:
      return "quarnel:write:write";
    default:
      return "quarnel:write:size";
  }
}

const char* id_of(replace_failure failure) {
  switch (failure) {
    case replace_failure::cannot_create:
    case replace_failure::special_file:
      return "quarnel:write:open";
    case replace_failure::cannot_rename:
      return "quarnel:write:rename";
    default:
      return "quarnel:write:write";
  }
}

// Writes the data, compressed in `format` unless none, into a temporary
// file and renames it to `fname`; on any failure the temporary file and
// the encoder are gone and `fname` is as it was.
void write_file(const char* fname, const multilabel_data& data, write_options options,
                compression_format format, raised* outcome) {
  file_replacement replacement{};
  replace_failure failure = begin_replacement(&replacement, fname);
  if (failure != replace_failure::none) {
    fail(outcome, id_of(failure), replace_failure_message(replacement, failure, fname));
    return;
  }
  encoding_sink encoding;
  byte_sink sink = file_byte_sink(replacement.file);
  write_failure written{write_failure_kind::none, 0, 0};
  if (format != compression_format::none) {
    if (encoding_sink_open(&encoding, format, sink))
      sink = encoding_sink_input(&encoding);
    else
      written.kind = write_failure_kind::out_of_memory;
  }
  if (written.kind == write_failure_kind::none) written = write_multilabel(data, options, sink);
  if (written.kind == write_failure_kind::none && format != compression_format::none &&
      !encoding_sink_finish(&encoding))
    written.kind = write_failure_kind::write_failed;
  if (written.kind == write_failure_kind::write_failed && encoding.out_of_memory)
    written.kind = write_failure_kind::out_of_memory;
  const int error_number = errno;
  encoding_sink_close(&encoding);
  if (written.kind == write_failure_kind::write_failed) {
    replacement.error_number = error_number;
    abandon_replacement(&replacement);
    fail(outcome, "quarnel:write:write",
         replace_failure_message(replacement, replace_failure::write_failed, fname));
    return;
  }
  if (written.kind != write_failure_kind::none) {
    abandon_replacement(&replacement);
    fail(outcome, id_of(written.kind), write_failure_message(written));
    return;
  }
  failure = finish_replacement(&replacement);
  if (failure != replace_failure::none)
    fail(outcome, id_of(failure), replace_failure_message(replacement, failure, fname));
}

void answer_call(int nlhs, int nrhs, const mxArray* prhs[], raised* outcome) {
  if (nlhs > 0 || nrhs < 4 || nrhs % 2 != 0) {
    fail(outcome, "quarnel:write:usage", usage);
    return;
  }
  host_name name;
  const name_kind kind = name_of(prhs[0], &name);
  if (kind == name_kind::not_a_name || (kind == name_kind::text && name.text[0] == '\0')) {
    fail(outcome, "quarnel:write:type",
         "fname must be a file name (a character row vector or a string scalar)");
    return;
  }
  if (kind == name_kind::out_of_memory) {
    fail(outcome, "quarnel:write:memory", "not enough memory to read the file name");
    return;
  }
  write_options options;
  if (!check_kinds(prhs, outcome) || !writer_options_of(nrhs, prhs, &options, outcome)) return;
  if (kind == name_kind::holds_nul) {
    fail(outcome, "quarnel:write:open",
         std::string("cannot write ") + name.text + ": the name holds a NUL character");
    return;
  }
  const multilabel_data data{view_of(prhs[1]), view_of(prhs[2]), mxGetPr(prhs[3]),
                             static_cast<std::int64_t>(mxGetNumberOfElements(prhs[3]))};
  const compression_format format = format_of_name(name.text);
  if (format != compression_format::none && !format_decodable(format)) {
    fail(outcome, "quarnel:write:format", std::string("cannot write ") + name.text +
                                              ": this build has no " + format_name(format));
  } else {
    write_file(name.text, data, options, format, outcome);
  }
}

}  // namespace

extern "C" QUARNEL_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  (void)plhs;
  raised outcome;
  outcome.id = nullptr;
  answer_call(nlhs, nrhs, prhs, &outcome);
  // Everything is released by now: raising leaves the function for good.
  if (outcome.id != nullptr) mexErrMsgIdAndTxt(outcome.id, "%s", outcome.message);
}
