function test_parts ()
  % A file read in parts by byte offset and length: consecutive parts cut at
  % random places (a line's first byte, either byte of a CR LF, inside the
  % last line) stack to the whole file's outputs; the parts read at once in
  % four processes with parcellfun do too; and progress lines only when
  % asked for, in their form.
  rand ("state", 19);
  name = write_data (data_text (300));
  unwind_protect
    bytes = dir (name).bytes;
    text = fileread (name);
    [labels, features, label_map] = quarnel (name);
    whole = {full(labels), features};
    starts = [1, find(text == "\n") + 1](1:end-1) - 1;  % 0-based first bytes of lines
    crlf = strfind (text, "\r\n") - 1;
    for trial = 1:12
      picks = [starts(randi (numel (starts))), crlf(randi (numel (crlf))), ...
               crlf(randi (numel (crlf))) + 1, bytes - 2, randi(bytes - 1, 1, 2)];
      cuts = unique ([0, picks(randperm (numel (picks), 3)), bytes]);
      parts = cell (numel (cuts) - 1, 3);
      for k = 1:numel (cuts) - 1
        printed = evalc ("[parts{k, :}] = quarnel (name, 'offset', cuts(k), 'length', cuts(k+1) - cuts(k));");
        assert (isempty (printed), printed);
      end
      same_as_whole (stack (parts, label_map), whole, sprintf ("cuts %s", mat2str (cuts)));
    end

    read_in_four_processes (name, bytes, label_map, whole);

    printed = evalc ("quarnel (name, 'offset', 10, 'progress', false);");
    assert (isempty (printed), printed);
    printed = strsplit (strtrim (evalc ("quarnel (name, 'progress', true);")), "\n");
    progress = "^quarnel progress: pass 1 \\d+%, pass 2 \\d+%, \\d+\\.\\d s$";
    assert (all (cellfun (@(line) ! isempty (regexp (line, progress, "once")), printed(1:end-1))), ...
            strjoin (printed, "\n"));
    closing = sprintf ("^quarnel progress: done, %d bytes, %d instances, \\d+\\.\\d\\d s$", ...
                       bytes, rows (features));
    assert (! isempty (regexp (printed{end}, closing, "once")), printed{end});
  unwind_protect_cleanup
    delete (name);
  end_unwind_protect
end

% Lines of 1 to 3 labels and pairs that always hold index 1 and index 40,
% so that every part has the whole file's columns; CR LF on some lines,
% comments, an empty line, and no line end after the last.
function text = data_text (count)
  lines = cell (1, count);
  for i = 1:count
    labels = strjoin (arrayfun (@num2str, randperm (9, randi (3)), "UniformOutput", false), ",");
    middle = sprintf (" %d:%.3g", [randperm(38, 3) + 1; rand(1, 3)]);
    lines{i} = sprintf ("%s 1:%d%s 40:%.3g", labels, i, middle, rand ());
    if (rand () < 0.3) lines{i} = [lines{i} "\r"]; end
    if (rand () < 0.05) lines{i} = ["# note " lines{i}]; end
  end
  lines{ceil (count / 2)} = "";
  text = strrep (strjoin (lines, "\n"), "%", "%%");
end

% The parts' outputs stacked, label columns put in the order of the whole
% file's label_map.
function out = stack (parts, label_map)
  labels = [];
  features = [];
  for k = 1:rows (parts)
    if (isempty (parts{k, 2})) continue; end  % a part that holds no line
    [~, column] = ismember (parts{k, 3}, label_map);
    part_labels = zeros (rows (parts{k, 1}), numel (label_map));
    part_labels(:, column) = full (parts{k, 1});
    labels = [labels; part_labels];
    features = [features; parts{k, 2}];
  end
  out = {labels, features};
end

function same_as_whole (got, whole, what)
  if (! isequal (got, whole))
    error ("%s: the stacked parts differ from the whole file", what);
  end
end

% Four parts read at once by four processes, as the README shows.
function read_in_four_processes (name, bytes, label_map, whole)
  try
    pkg load parallel
  catch err
    fprintf (stderr, "\n*** test_parts: SKIPPED the parcellfun case: the parallel package does not load (%s)\n\n", err.message);
    return;
  end
  cuts = round (linspace (0, bytes, 5));
  % The figures every range shares, as a caller passes them.
  opts = {"zero_based", false, "width", 40, "label_map", label_map, "threads", 1};
  read_part = @(offset, len) quarnel (name, "offset", offset, "length", len, opts{:});
  tic;
  [labels, features, maps] = parcellfun (4, read_part, num2cell (cuts(1:4)), num2cell (diff (cuts)), ...
                                         "UniformOutput", false, "VerboseLevel", 0);
  assert (toc < 30, "parcellfun took %.1f s", toc);
  same_as_whole (stack ([labels(:), features(:), maps(:)], label_map), whole, "four processes");
end
