// The module's entry for Octave, an oct-file: checks the call and has the
// reader core read the named file into Octave's own sparse matrices, made
// at their final size and filled in place, which Octave takes over without
// the copy it makes of a MEX file's outputs. Calls, outputs, messages and
// failures are those of the MEX entry (quarnel_entry.cpp), which MATLAB
// builds; Octave prefers this file to quarnel.mex in the same folder.
#include <cstddef>
#include <new>
#include <string>

#include <octave/dMatrix.h>
#include <octave/defun-int.h>
#include <octave/error.h>
#include <octave/oct-shlib.h>
#include <octave/ov-dld-fcn.h>
#include <octave/pager.h>
#include <octave/parse.h>
#include <octave/version.h>

#include "gateway/host_interrupt.h"
#include "gateway/module_export.h"
#include "gateway/octave_arguments.h"
#include "gateway/octave_names.h"
#include "gateway/octave_read.h"
#include "reader/multilabel_reader.h"

namespace {

using namespace quarnel;

// Prints a failure of the call and leaves the two empty outputs.
octave_value_list answer_failure(const std::string& message) {
  octave_stdout << message;
  return ovl(Matrix(), Matrix());
}

octave_value_list answer_usage() {
  return answer_failure("Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n");
}

// How a call ends when it does not hand over its outputs: stopped by the
// interrupt, or by an allocation of the outputs that failed. Either is
// raised once everything of the call is released.
struct call_ending {
  bool stopped = false;
  std::string message;
  bool out_of_memory = false;
  std::size_t failed_bytes = 0;
};

// Reads the file `fname` into label_vector, instance_matrix, label_map and,
// when `query_ids` is set, query_id. On failure it prints one message and
// answers empty 0-by-0 matrices in the first two outputs and nothing in the
// others; when the read is interrupted or its outputs cannot be made, it
// answers nothing.
octave_value_list load_multilabel_file(const std::string& fname, const read_options& options,
                                       bool query_ids, call_ending* ending) {
  octave_read_host host(query_ids);
  const read_failure failure = read_multilabel_file(fname.c_str(), options, host);
  if (failure.error == read_error::none && !host.raised()) return host.outputs();
  if (failure.error == read_error::interrupted || host.raised()) {
    ending->stopped = true;
    ending->message = failure_message(failure_of(read_error::interrupted), fname.c_str());
    return octave_value_list();
  }
  if (host.out_of_memory()) {
    ending->out_of_memory = true;
    ending->failed_bytes = host.failed_bytes();
    return octave_value_list();
  }
  return answer_failure(failure_message(failure, fname.c_str()));
}

// The first three outputs, whatever the caller asked for, and the fourth,
// query_id, when asked for.
octave_value_list answer_call(octave::interpreter& interpreter, const octave_value_list& args,
                              int nargout, call_ending* ending) {
  // quarnel(fname) or quarnel(fname, name, value, ...): a lone option name
  // is a wrong call, as before there were options.
  const octave_idx_type count = args.length();
  if (count < 1 || count == 2) return answer_usage();
  std::string name;
  octave_name_kind kind = octave_name_kind::not_a_name;
  bool name_out_of_memory = false;
  try {
    kind = octave_name_of(interpreter, args(0), &name);
  } catch (const std::bad_alloc&) {
    name_out_of_memory = true;
  }
  if (kind == octave_name_kind::not_a_name && !name_out_of_memory) return answer_usage();
  read_options options;
  const std::string failure = octave_options_of_call(interpreter, args, &options);
  if (!failure.empty()) return answer_failure(failure + "\n");
  if (name_out_of_memory) return answer_failure("not enough memory for the input file's name\n");
  if (kind == octave_name_kind::holds_nul)
    return answer_failure("can't open input file " + name + ": the name holds a NUL character\n");
  // Octave takes an oct-file's outputs over as they are: the memory guard
  // counts no copy of them.
  options.host_copies_outputs = false;
  return load_multilabel_file(name, options, nargout >= 4, ending);
}

octave_value_list quarnel_call(octave::interpreter& interpreter, const octave_value_list& args,
                               int nargout) {
  call_ending ending;
  octave_value_list outputs = answer_call(interpreter, args, nargout, &ending);
  // As many outputs as the caller takes, and at least one (ans).
  const octave_idx_type taken = nargout < 1 ? 1 : nargout;
  if (outputs.length() > taken) outputs.resize(taken);
  if (ending.stopped) {
    // An interrupted call assigns nothing and ends as Octave's functions do.
    raise_host_interrupt(ending.message.c_str());
  }
  if (ending.out_of_memory) {
    // As Octave ends a MEX file's call whose allocation fails.
    if (ending.failed_bytes == 0) throw std::bad_alloc();
    error("quarnel: failed to allocate %zu bytes of memory", ending.failed_bytes);
  }
  return outputs;
}

// The help text Octave shows for quarnel: that of quarnel.m beside this
// file, as Octave reads it for a MEX file (the help file has no code).
std::string help_beside(const std::string& module) {
  const std::size_t dot = module.rfind('.');
  const std::string help_file = module.substr(0, dot) + ".m";
  try {
    bool found = false;
    return octave::get_help_from_file(help_file, found);
  } catch (...) {
    return std::string();
  }
}

}  // namespace

// What Octave calls when it loads the file (DEFMETHOD_DLD's installer,
// written out so that its help text can be read from the file beside it).
extern "C" QUARNEL_EXPORT octave_function* Gquarnel(const octave::dynamic_library& library,
                                                   bool relative) {
  check_version(OCTAVE_API_VERSION, "quarnel");
  octave_dld_function* function =
      octave_dld_function::create(quarnel_call, library, "quarnel", help_beside(library.file_name()));
  if (relative) function->mark_relative();
  return function;
}
