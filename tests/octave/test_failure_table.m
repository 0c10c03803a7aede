function test_failure_table ()
  % Every way a call can fail, one row each: the exact text printed and the
  % outputs. After every row a call on a good file in the same session must
  % give exactly its data: a failure never leaves half-loaded data behind and
  % nothing of it reaches the next call. The wrong calls that test_entry
  % covers beyond one per kind (a cell, int8 characters) are not repeated.
  folder = tempname ();
  mkdir (folder);
  shadow = fullfile (folder, "shadow");
  mkdir (shadow);
  good = fullfile (folder, "good.txt");
  write_bytes (good, "3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  unwind_protect
    rows = [file_rows(folder, good), special_rows(folder), malformed_rows(folder), header_rows(folder), ...
            truncated_rows(folder), ...
            junk_rows(folder), large_rows(folder), transpose_rows(good, shadow), ...
            call_rows(folder, good), option_rows(good), index_option_rows(folder), part_rows(folder)];
    for k = 1:numel (rows)
      r = rows{k};
      if (! isempty (r.setup)) r.setup (); end
      out = call_module (r.args, r.nout);
      if (! isempty (r.teardown)) r.teardown (); end
      same (out.printed, r.printed, [r.what ": printed"]);
      r.check (out, r.what);
      check_good_file (good, r.what);
    end
  unwind_protect_cleanup
    rmpath_if_present (shadow);
    clear transpose;
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

% Names that cannot be read, and names of unusual form.
function rows = file_rows (folder, good)
  missing = fullfile (folder, "missing.txt");
  % The name is printed as it is, conversion characters and UTF-8 included.
  odd = fullfile (folder, "100%s %d \xc3\xa9.txt");
  % One component longer than 255 bytes: the system refuses the name itself.
  too_long = fullfile (folder, [repmat("m", 1, 300) ".txt"]);
  % A path of more than 255 characters that exists (see test_entry for 1,000).
  deep = fullfile (folder, repmat ("d", 1, 100), repmat ("e", 1, 100));
  mkdir (deep);
  long_name = fullfile (deep, [repmat("f", 1, 100) ".txt"]);
  assert (numel (long_name) > 300);
  copyfile (good, long_name);
  rows = {
    row("file missing", {missing}, cant_open (missing), @failed)
    row("empty name", {""}, cant_open (""), @failed)
    row("a directory", {folder}, cant_open (folder), @failed)
    row("odd characters", {odd}, cant_open (odd), @failed)
    row("NUL in the name", {[good "\0.other"]}, [cant_open(good)(1:end-1) ": the name holds a NUL character\n"], @failed)
    row("component over 255", {too_long}, cant_open (too_long), @failed)
    row("path over 255", {long_name}, "", @(out, what) loads (out, what, good_data ()))
  }';
end

% Names that are not regular files, which the reader refuses rather than
% wait on a pipe or read a device without end; and a regular file
% of 3 GB of holes, whose endless first line of NUL bytes is refused at its
% first byte, before the reader holds more than its first block of it.
function rows = special_rows (folder)
  fifo = fullfile (folder, "fifo");
  [status, msg] = mkfifo (fifo, 600);  % the mode in octal digits
  assert (status == 0, msg);
  holes = fullfile (folder, "holes.txt");
  assert (system (sprintf ("truncate -s 3G '%s'", holes)) == 0);
  holes_text = sprintf ("malformed input in %s at line 1, column 1: label is not a number\n", holes);
  peak = getrusage ().maxrss;  % kB
  rows = {
    row("a FIFO nobody writes to", {fifo}, not_regular (fifo), @failed)
    row("/dev/zero", {"/dev/zero"}, not_regular ("/dev/zero"), @failed)
    row("3 GB of holes", {holes}, holes_text, @(out, what) failed_lean (out, what, peak))
  }';
end

% One row per fault the reader names, with its line and column. When a line
% holds several faults, the first in reading order is named.
function rows = malformed_rows (folder)
  cases = {
    % file text,                     line, column, reason
    "1,2x 1:1\n",                      1,  3, "label is not a number"
    " 1:1\n\t2,3:1\n",                 2,  4, "label is not a number"  % a tab-led line has labels
    "1 1:1\n1,\t\n",                   2,  3, "label missing"
    "\t\n",                            1,  1, "label missing"          % blank, but not empty
    "1 1:1\n#c\n2 1:1 x:3\n",          3,  7, "feature index is not an integer"
    "1 2147483648:1\n",                1,  3, "feature index out of range"
    "1 -2147483649:1\n",               1,  3, "feature index out of range"
    "9 -5:1\n1 3 4:1\n",               2,  3, "colon missing after feature index"
    "1 1:\n2:1\n",                     1,  5, "value missing after colon"  % not the next line's
    "1 3: \t\n",                       1,  5, "value missing after colon"
    "1 1:0.5 2:abc\n",                 1, 11, "value is not a number"
    "1 1:1\n2 2:1e5x\n",               2,  5, "value is not a number"
    "1 3:1 2:2 3:4\n",                 1, 11, "feature index repeated in one instance"
    % Several faults: values are converted in a later pass than the rest is
    % checked, which must not change which fault is named.
    "1 1:abc\n1 x:1\n",                1,  5, "value is not a number"
    "1 1:abc x:1\n",                   1,  5, "value is not a number"
    "1 3:x 2:1 3:1\n",                 1,  5, "value is not a number"
    "1 2:1 2:1 x:1\n",                 1,  7, "feature index repeated in one instance"
    "1 qid:1 2:1\n1 2:1 qid:1\n",       2,  7, "qid: is only allowed as the first token after the labels"
    "1 qid:1x 2:1\n",                  1,  7, "query id is not an integer from -2^53 to 2^53"
  };
  rows = malformed_rows_of (folder, "malformed", cases);
end

% A first line "n d L" bounds the rest of the file; each way to break it.
function rows = header_rows (folder)
  cases = {
    "2 5 4\n1 1:1\n2 2:1\n3 3:1\n", 1,  1, "the header gives 2 instances, the file has 3"
    "1 5 3\n",                      1,  1, "the header gives 1 instance, the file has 0"
    "1 5 3\n1 2:1 5:1\n",           2,  7, "feature index 5 is outside the header's range 0 to 4"
    "1 0 3\n1 0:1\n",               2,  3, "feature index 0 is outside the header's range: the header gives no features"
    "1 5 3\n1,3 1:1\n",             2,  3, "label 3 is outside the header's range 0 to 2"
    "1 5 0\n0\n",                   2,  1, "label 0 is outside the header's range: the header gives no labels"
    "1 2147483648 3\n 0:1\n",        1,  3, "header value is larger than 2147483647"
  };
  rows = malformed_rows_of (folder, "header", cases);
end

% Files cut short. Some cuts leave valid data, which then loads.
function rows = truncated_rows (folder)
  cases = {
    "3,1 1:0.5 4:2\n1 2",  2,  3, "colon missing after feature index"  % cut after a line
    "1 3:1e",              1,  5, "value is not a number"  % strtod stops before the "e"
    "1 3:0x1p",            1,  5, "value is not a number"  % and before the "p"
    "-",                   1,  1, "label is not a number"
    "1 -",                 1,  3, "feature index is not an integer"
    "1 12",                1,  3, "colon missing after feature index"
    "1 3:",                1,  5, "value missing after colon"
  };
  rows = malformed_rows_of (folder, "truncated", cases);
  % "1 3:0.5" cut to "1 3:0." is still a number: a stored zero at column 3.
  name = write_file (folder, "1 3:0.");
  rows{end+1} = row ("truncated to 0.", {name}, "", @stored_zero_at_3);
  % "1,2 3:1" cut to "1,": the line's end after a comma ends the labels.
  name = write_file (folder, "1,");
  rows{end+1} = row ("truncated to 1,", {name}, "", @(out, what) loads (out, what, {1, zeros(1, 0), 1}));
  % Cut between CR and LF, or inside a trailing comment: the data is whole.
  text = "3,1 1:0.5 4:2\n1 2:1\n 3:7\r";
  rows{end+1} = row ("truncated CR", {write_file(folder, text)}, "", @(out, what) loads (out, what, good_data ()));
  text = "3,1 1:0.5 4:2\n1 2:1\n 3:7 # no";
  rows{end+1} = row ("truncated comment", {write_file(folder, text)}, "", @(out, what) loads (out, what, good_data ()));
end

% Bytes that are not text, and NUL bytes, which must not end a line.
function rows = junk_rows (folder)
  rand ("state", 20240601);
  junk = uint8 (floor (rand (1, 65536) * 256));
  % Junk behind a gzip signature is read as gzip, and fails as such.
  gzip = junk;
  gzip(1:2) = [31 139];
  name = write_file (folder, gzip);
  printed = sprintf ("can't read input file %s: its gzip-compressed data is corrupt or truncated\n", name);
  rows = {row("gzip-like junk", {name}, printed, @failed)};
  % A zip archive is refused whatever it holds.
  zip = [uint8("PK"), 3, 4, junk(1:100)];
  name = write_file (folder, zip);
  printed = sprintf ("can't read input file %s: it is a zip archive; extract the data file from it first\n", name);
  rows{end+1} = row ("zip archive", {name}, printed, @failed);
  % Junk as one value: no blank or newline in it, so it is one token that
  % starts like a number.
  value = junk;
  value(value == 32 | (value >= 9 & value <= 13)) = 120;
  value(1) = "7";
  rows{end+1} = malformed_row (folder, "junk value", [uint8(" 5:"), value, 10], 1, 4, "value is not a number");
  % Junk in a comment line is skipped, NUL bytes and all.
  comment = junk;
  comment(comment == 10) = 0;
  text = [uint8("#"), comment, uint8("\n3,1 1:0.5 4:2\n1 2:1\n 3:7\n")];
  rows{end+1} = row ("junk comment", {write_file(folder, text)}, "", @(out, what) loads (out, what, good_data ()));

  nul_cases = {
    "1 1:1\0 2:1\n",  1, 5, "value is not a number"
    "1\0,2 1:1\n",    1, 1, "label is not a number"
    "1 1\0:1\n",      1, 3, "colon missing after feature index"
    "\0 1:1\n",       1, 1, "label is not a number"
  };
  for k = 1:size (nul_cases, 1)
    assert (any (nul_cases{k, 1} == 0));
    rows{end+1} = malformed_row (folder, sprintf ("NUL %d", k), nul_cases{k, :});
  end
  text = "# \0 a NUL\n3,1 1:0.5 4:2 #\0\n1 2:1\n 3:7\n";
  rows{end+1} = row ("NUL in comments", {write_file(folder, text)}, "", @(out, what) loads (out, what, good_data ()));
end

% A line of 11 MB, far beyond the reader's first buffer, and a million lines.
function rows = large_rows (folder)
  n = 1100000;
  k = 1:n;
  values = mod (k, 9) + 1;
  pairs = [repmat(" ", 1, n); char(mod (floor (k ./ 10 .^ (6:-1:0)'), 10) + "0");
           repmat(":", 1, n); char(values + "0")];  % " 0000001:2" and so on
  line = ["7", pairs(:)'];
  width = numel (line);
  name = write_file (folder, [line "\n"]);
  rows = {row("long line", {name}, "", @(out, what) loads (out, what, {1, values, 7}))};
  % A bad token at its end, found in the first pass and in the second.
  rows{end+1} = malformed_row (folder, "long line, bad index", [line " x:1\n"], 1, width + 2, ...
                               "feature index is not an integer");
  rows{end+1} = malformed_row (folder, "long line, bad value", [line " 1100001:1y\n"], 1, width + 10, ...
                               "value is not a number");

  % Each empty line is an instance without labels or pairs.
  name = write_file (folder, repmat ("\n", 1, 1e6));
  rows{end+1} = row ("million empty lines", {name}, "", ...
                     @(out, what) loads (out, what, {zeros(1e6, 0), zeros(1e6, 0), zeros(0, 1)}));
  rows{end+1} = malformed_row (folder, "million lines, bad label", [repmat("\n", 1, 1e6) "x\n"], ...
                               1e6 + 1, 1, "label is not a number");
  % CR LF ends; the fault on the last line sends the reader back for the
  % bad value on the line before it.
  text = [repmat("\r\n", 1, 1e6) "1 1:x\r\n2 y:1\r\n"];
  rows{end+1} = malformed_row (folder, "million CRLF lines", text, 1e6 + 1, 5, "value is not a number");
end

% The outputs are built in their final shapes: a host "transpose" that
% fails on its first or second call changes nothing.
function rows = transpose_rows (good, shadow)
  undo = @() restore_transpose (shadow);
  rows = {
    row("transpose would fail on labels", {good}, "", @(out, what) loads (out, what, good_data ()))
    row("transpose would fail on problem", {good}, "", @(out, what) loads (out, what, good_data ()))
  }';
  rows{1}.setup = @() shadow_transpose (shadow, 1);
  rows{2}.setup = @() shadow_transpose (shadow, 2);
  rows{1}.teardown = undo;
  rows{2}.teardown = undo;
end

% Wrong calls, and calls with fewer than three outputs. The module must
% write no output slot beyond those the caller asked for (a memory checker
% sees such a write in these rows).
function rows = call_rows (folder, good)
  usage = "Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n";
  missing = fullfile (folder, "missing.txt");
  bad = write_file (folder, "1 x:1\n");
  bad_text = sprintf ("malformed input in %s at line 1, column 3: feature index is not an integer\n", bad);
  data = good_data ();
  rows = {
    row("no input", {}, usage, @failed)
    row("two inputs", {good, good}, usage, @failed)
    row("a number", {42}, usage, @failed)
    row("a char matrix", {[good; good]}, usage, @failed)
    row("no input, no output", {}, usage, @failed, 0)
    row("missing, no output", {missing}, cant_open (missing), @failed, 0)
    row("malformed, one output", {bad}, bad_text, @failed, 1)
    row("good, one output", {good}, "", @(out, what) loads (out, what, data(1)), 1)
    row("good, two outputs", {good}, "", @(out, what) loads (out, what, data(1:2)), 2)
    row("malformed, four outputs", {bad}, bad_text, @failed, 4)
  }';
end

% A bad name-value option: one message naming it and what it takes.
function rows = option_rows (good)
  takes = ": quarnel takes 'threads', 'zero_based', 'width', 'label_map', 'offset', 'length' and 'progress'\n";
  option = @(name, text) sprintf ("option '%s' %s\n", name, text);
  rows = {
    row("option name alone", {good, "threads"}, ...
        "Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n", @failed)
    row("unknown option", {good, "threads", 2, "Thread", 2}, ["unknown option 'Thread'" takes], @failed)
    row("not an option name", {good, 2, "threads"}, ["input 2 is not an option name" takes], @failed)
    row("option without value", {good, "threads", 2, "WIDTH"}, option ("width", "has no value"), @failed)
    row("threads 0", {good, "threads", 0}, option ("threads", "takes a positive integer"), @failed)
    row("threads 0, then 1", {good, "threads", 0, "threads", 1}, ...
        option ("threads", "takes a positive integer"), @failed)
    row("zero_based text", {good, "zero_based", "true"}, option ("zero_based", "takes true or false"), @failed)
    row("width negative", {good, "width", -1}, ...
        option ("width", "takes a number of columns: an integer from 0 to 2^53"), @failed)
    row("label_map repeats", {good, "label_map", [3 1 3]}, ...
        option ("label_map", "takes a vector of distinct integer labels from -2147483648 to 2147483647"), @failed)
    row("offset fraction", {good, "offset", 1.5}, ...
        option ("offset", "takes a byte position: an integer from 0 to 2^53"), @failed)
    row("length beyond 2^53", {good, "length", 2^53 + 2}, ...
        option ("length", "takes a number of bytes: an integer from 0 to 2^53"), @failed)
    row("progress two flags", {good, "progress", [true false]}, option ("progress", "takes true or false"), @failed, 2)
  }';
end

% Files that break the bounds of 'zero_based' and 'width': malformed input
% naming the index and the columns the options give.
function rows = index_option_rows (folder)
  cases = {
    % file text,            options,                            line, column, reason
    "1 1:1\n 2:1 -1:2\n",  {"zero_based", true},                2, 6, "feature index -1 is below the first column's index 0"
    "1 1:1\n2 0:2\n",      {"zero_based", false},               2, 3, "feature index 0 is below the first column's index 1"
    "1 1:1 5:1\n",          {"zero_based", false, "width", 4},   1, 7, "feature index 5 is outside the width's range 1 to 4"
    "1 3:1\n2 0:1\n 5:1\n", {"width", 5},                      3, 2, "feature index 5 is outside the width's range 0 to 4"
    "1 1:1\n",              {"width", 0},                        1, 3, "feature index 1 is outside the width's range: the width is 0"
    "1 4 2\n0 0:1\n",      {"zero_based", false},               1, 1, "'zero_based' is false, but a file with a header is zero-based"
  };
  rows = cell (1, size (cases, 1));
  for k = 1:size (cases, 1)
    [text, options, line, column, reason] = cases{k, :};
    r = malformed_row (folder, sprintf ("index option %d", k), text, line, column, reason);
    r.args = [r.args, options];
    rows{k} = r;
  end
end

% A part of a file, chosen by byte offset and length: a compressed file is
% read whole or not at all, and a fault's line counts within the part.
function rows = part_rows (folder)
  gzip = write_file (folder, uint8 ([31 139 8 0 0 0 0 0]));
  printed = sprintf (["can't read part of input file %s: it is gzip-compressed, " ...
                      "and a compressed file can only be read whole\n"], gzip);
  bad = write_file (folder, "1 1:1\n2 2:2\n3 x:1\n");
  rows = {
    row("part of a gzip file", {gzip, "length", 5}, printed, @failed)
    row("malformed in a part", {bad, "offset", 3}, sprintf (["malformed input in %s at line 2 " ...
        "of the part from byte 3, column 3: feature index is not an integer\n"], bad), @failed)
  }';
end

function r = row (what, args, printed, check, nout)
  if (nargin < 5)
    nout = 3;
  end
  r = struct ("what", what, "args", {args}, "printed", printed, "check", check, ...
              "nout", nout, "setup", [], "teardown", []);
end

% One malformed row for each line {text, line, column, reason} of `cases`,
% named "PREFIX K".
function rows = malformed_rows_of (folder, prefix, cases)
  rows = cell (1, size (cases, 1));
  for k = 1:size (cases, 1)
    rows{k} = malformed_row (folder, sprintf ("%s %d", prefix, k), cases{k, :});
  end
end

function r = malformed_row (folder, what, text, line, column, reason)
  name = write_file (folder, text);
  printed = sprintf ("malformed input in %s at line %d, column %d: %s\n", name, line, column, reason);
  r = row (what, {name}, printed, @failed);
end

function text = cant_open (name)
  text = sprintf ("can't open input file %s\n", name);
end

function text = not_regular (name)
  text = sprintf ("can't read input file %s: not a regular file\n", name);
end

% Calls the module with `nout` outputs in a fresh workspace and returns what
% it printed, the outputs it assigned and the host's error, if any.
function out = call_module (args, nout)
  caught = "";
  statements = {"quarnel (args{:});", "o1 = quarnel (args{:});", ...
                "[o1, o2] = quarnel (args{:});", "[o1, o2, o3] = quarnel (args{:});", ...
                "[o1, o2, o3, o4] = quarnel (args{:});"};
  out.nout = nout;
  out.printed = evalc (["try, " statements{nout + 1} " catch err, caught = err.message; end"]);
  out.error = caught;
  out.outputs = {};
  if (nout == 0 && exist ("ans", "var"))
    out.outputs = {ans};
  end
  for k = 1:4
    if (exist (sprintf ("o%d", k), "var"))
      out.outputs{k} = eval (sprintf ("o%d", k));
    end
  end
end

% A failure: empty 0-by-0 dense matrices in the first two outputs (as many
% as were asked for) and none in the third or fourth.
function failed (out, what)
  same (numel (out.outputs), min (max (out.nout, 1), 2), [what ": number of outputs"]);
  for k = 1:numel (out.outputs)
    got = out.outputs{k};
    same (size (got), [0 0], sprintf ("%s: output %d size", what, k));
    same ([isa(got, "double"), issparse(got)], [true, false], sprintf ("%s: output %d class", what, k));
  end
  if (out.nout >= 3)
    same (out.error, "element number 3 undefined in return list", [what ": third output"]);
  else
    same (out.error, "", [what ": error"]);
  end
end

% A failure whose call did not raise the process's peak memory by 1 GB.
function failed_lean (out, what, peak)
  failed (out, what);
  same (getrusage ().maxrss - peak < 2^20, true, [what ": peak memory grew by under 1 GB"]);
end

% The data loaded in full: two sparse matrices and a dense column.
function loads (out, what, expected)
  same (out.error, "", [what ": error"]);
  same (numel (out.outputs), numel (expected), [what ": number of outputs"]);
  for k = 1:numel (expected)
    got = out.outputs{k};
    same ([issparse(got), isa(got, "double"), isreal(got)], [k < 3, true, true], ...
          sprintf ("%s: output %d class", what, k));
    same (size (got), size (expected{k}), sprintf ("%s: output %d size", what, k));
    same (full (got), expected{k}, sprintf ("%s: output %d", what, k));
  end
end

function stored_zero_at_3 (out, what)
  loads (out, what, {1, [0 0 0], 1});
  [i, j, v] = find (out.outputs{2});
  same ([i, j, 1 ./ v], [1, 3, Inf], [what ": stored entries"]);
end

% Exact equality, with both values in the message when they differ.
function same (got, expected, what)
  if (ischar (expected))
    equal = ischar (got) && strcmp (got, expected);
  else
    equal = isequal (size (got), size (expected)) && isequal (got, expected);
  end
  if (! equal)
    error ("%s:\n  got      %s\n  expected %s", what, shown (got), shown (expected));
  end
end

function text = shown (x)
  if (ischar (x))
    text = ["\"" undo_string_escapes(x) "\""];
  elseif (numel (x) <= 24)
    text = mat2str (full (x));
  else
    text = sprintf ("%s of %dx%d", class (x), rows (x), columns (x));
  end
end

function data = good_data ()
  data = {[1 1; 0 1; 0 0], [0.5 0 0 2; 0 1 0 0; 0 0 7 0], [3; 1]};
end

function check_good_file (good, what)
  out = call_module ({good}, 3);
  same (out.printed, "", ["good file after " what ": printed"]);
  loads (out, ["good file after " what], good_data ());
end

function name = write_file (folder, bytes)
  name = [tempname(folder) ".txt"];
  write_bytes (name, bytes);
end

% A transpose that fails on call number `failing_call` and works before.
function shadow_transpose (folder, failing_call)
  fid = fopen (fullfile (folder, "transpose.m"), "w");
  fprintf (fid, "function y = transpose (x)\n");
  fprintf (fid, "  persistent calls;\n  if (isempty (calls)) calls = 0; end\n");
  fprintf (fid, "  calls = calls + 1;\n");
  fprintf (fid, "  if (calls == %d) error ('test:transpose', 'transpose refused'); end\n", failing_call);
  fprintf (fid, "  y = builtin ('transpose', x);\nend\n");
  fclose (fid);
  warning ("off", "Octave:shadowed-function");
  addpath (folder);
  clear transpose;
end

function restore_transpose (folder)
  rmpath_if_present (folder);
  delete (fullfile (folder, "transpose.m"));
  clear transpose;
end

function rmpath_if_present (folder)
  if (any (strcmp (strsplit (path (), pathsep ()), folder)))
    rmpath (folder);
  end
end
