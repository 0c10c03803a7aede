function test_documented_examples ()
  % The Octave examples of the README and of `help quarnel`,
  % `help quarnel_write` and `help quarnel_info`, taken from their text and
  % run as written, so that they cannot drift from what the modules do.
  %
  % The README's fenced code blocks follow one convention (keep to it when
  % editing the README):
  %   ```octave  a runnable Octave example. Every such block runs, in the
  %              README's order, in one workspace (a block may use what an
  %              earlier one made) and in a folder holding the files the
  %              examples name (below). A message of quarnel's printed by a
  %              block fails the test. A block that starts with
  %              "function NAME" is saved as NAME.m in that folder instead.
  %              A block whose lines start with ">> " is a console
  %              transcript: each command runs, and what it prints must be
  %              the lines that follow it, blank lines aside.
  %   ```matlab  MATLAB-only code: not run.
  %   ```sh      shell commands: not run.
  %   ```text    anything else (call forms, a file's lines): not run.
  % The files: examples/example.txt (the repository's), an empty build/,
  % train.txt (with a header) and test.txt. Blocks that call parcellfun
  % are skipped, with a line saying so, where the parallel package does
  % not load.
  %
  % In the help texts, an example is a run of lines indented by four
  % spaces whose first line assigns the outputs of a call of quarnel or
  % quarnel_info.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  blocks = fenced_blocks (fileread (fullfile (root, "README.md")));
  folder = tempname ();
  mkdir (folder);
  saved_path = path ();
  previous = cd (folder);
  unwind_protect
    make_files (root);
    parallel = parallel_loads ();
    readme = run_examples (blocks, parallel);
    if (parallel)
      check_parts (readme);
    end
    for name = {"quarnel", "quarnel_write", "quarnel_info"}
      help_examples = examples_in_help (evalc (["help " name{1}]));
      assert (! isempty (help_examples), "no example found in help %s", name{1});
      run_examples (help_examples, parallel);
    end
    % The writer's help: the file read back with the width is the same.
    [y, X, m] = quarnel ("train.txt");
    [y2, X2, m2] = quarnel ("copy.txt", "width", size (X, 2));
    assert (isequal (y2, y) && isequal (X2, X) && isequal (m2, m), "help quarnel_write: X2 is not X");
  unwind_protect_cleanup
    path (saved_path);
    cd (previous);
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

% The fenced blocks of a Markdown text, as structs of the tag and the
% lines, without the fence's indentation.
function blocks = fenced_blocks (text)
  blocks = struct ("tag", {}, "lines", {});
  lines = strsplit (text, "\n");
  k = 1;
  while (k <= numel (lines))
    fence = regexp (lines{k}, '^(?<indent> *)```(?<tag>\w*)\s*$', "names");
    k += 1;
    if (isempty (fence))
      continue;
    end
    body = {};
    while (k <= numel (lines) && isempty (regexp (lines{k}, '^ *```\s*$', "once")))
      body{end + 1} = regexprep (lines{k}, sprintf ('^ {0,%d}', numel (fence.indent)), "");
      k += 1;
    end
    k += 1;
    blocks(end + 1) = struct ("tag", fence.tag, "lines", {body});
  end
end

% Help examples as blocks of the same form: from a line indented by four
% spaces that assigns the outputs of a call of quarnel or quarnel_info,
% the lines indented by four spaces or more up to the next blank one.
function blocks = examples_in_help (text)
  blocks = struct ("tag", {}, "lines", {});
  lines = strsplit (text, "\n");
  k = 1;
  while (k <= numel (lines))
    if (isempty (regexp (lines{k}, '^    (\[[^\]]*\]|\w+) = quarnel', "once")))
      k += 1;
      continue;
    end
    body = {};
    while (k <= numel (lines) && ! isempty (regexp (lines{k}, '^    +\S', "once")))
      body{end + 1} = strtrim (lines{k});
      k += 1;
    end
    blocks(end + 1) = struct ("tag", "octave", "lines", {body});
  end
end

function make_files (root)
  mkdir ("examples");
  copyfile (fullfile (root, "examples", "example.txt"), fullfile ("examples", "example.txt"));
  mkdir ("build");
  % Zero-based with a header; labels 0 to 4, indices 0 to 10 of the
  % header's 12, so the last column holds no entry.
  lines = {"40 12 5"};
  for i = 1:40
    labels = unique (mod ([i, 3 * i], 5));
    text = strjoin (arrayfun (@num2str, labels, "UniformOutput", false), ",");
    if (mod (i, 7) == 0) text = ""; end
    lines{end + 1} = sprintf ("%s %d:%d %d:0.5 %d:-%d", text, mod (i, 3), i, 3 + mod (i, 4), 7 + mod (i, 4), i);
  end
  write_bytes ("train.txt", [strjoin(lines, "\n") "\n"]);
  % No header, no index 0, and a label the train split lacks.
  write_bytes ("test.txt", "1 1:2 5:1\n7,0 10:1\n 3:4\n");
end

function loads = parallel_loads ()
  loads = true;
  try
    pkg load parallel
  catch err
    loads = false;
    fprintf (stderr, "\n*** test_documented_examples: SKIPPED the examples that use parcellfun: the parallel package does not load (%s)\n\n", err.message);
  end
end

% Runs the Octave blocks in one workspace; returns that workspace's
% variables as a struct. The names here end in "__", apart from the
% examples' own.
function workspace__ = run_examples (blocks__, parallel__)
  message__ = ['^(Usage: |unknown option |input \d+ is not an option name|option ''|' ...
               'not enough memory|can''t |malformed input |error reading |input file .* changed|ERROR: )'];
  for block__ = blocks__
    if (! strcmp (block__.tag, "octave"))
      continue;
    end
    code__ = strjoin (block__.lines, "\n");
    function__ = regexp (code__, '^\s*function\s+(?:\[[^\]]*\]\s*=\s*|\w+\s*=\s*)?(\w+)', "tokens", "once");
    if (! isempty (function__))
      write_bytes ([function__{1} ".m"], [code__ "\n"]);
    elseif (! parallel__ && ! isempty (strfind (code__, "parcellfun")))
      continue;
    elseif (! isempty (regexp (code__, '^>> ', "once", "lineanchors")))
      % A transcript: each command prints what the lines after it show.
      commands__ = find (strncmp (block__.lines, ">> ", 3));
      ends__ = [commands__(2:end) - 1, numel(block__.lines)];
      for c__ = 1:numel (commands__)
        command__ = block__.lines{commands__(c__)}(4:end);
        shown__ = visible_lines (block__.lines(commands__(c__) + 1:ends__(c__)));
        got__ = visible_lines (strsplit (evalc (command__), "\n"));
        assert (isequal (got__, shown__), "%s printed:\n%s\nnot, as shown:\n%s", ...
                command__, strjoin (got__, "\n"), strjoin (shown__, "\n"));
      end
    else
      try
        printed__ = evalc (code__);
      catch err__
        error ("the example\n%s\nfailed: %s", code__, err__.message);
      end
      assert (isempty (regexp (printed__, message__, "once", "lineanchors")), ...
              "the example\n%s\nprinted:\n%s", code__, printed__);
    end
  end
  workspace__ = struct ();
  for name__ = who ()'
    if (name__{1}(end) != "_")
      workspace__.(name__{1}) = eval (name__{1});
    end
  end
end

% Lines without trailing white space, blank ones left out.
function lines = visible_lines (lines)
  lines = regexprep (lines, '\s+$', "");
  lines = lines(! cellfun (@isempty, lines))(:);
end

% The README's parts example stacks to the whole file's outputs, and its
% part_sums add up to the whole file's sums.
function check_parts (readme)
  for name = {"fname", "opts", "Y", "X", "instances", "column_sums"}
    assert (isfield (readme, name{1}), "the README's parts example no longer makes %s", name{1});
  end
  [y, X] = quarnel (readme.fname, readme.opts{:});
  assert (isequal (readme.Y, y) && isequal (readme.X, X), "the README's parts do not stack to the whole file");
  assert (readme.instances, rows (X));
  assert (readme.column_sums, full (sum (X, 1)));
end
