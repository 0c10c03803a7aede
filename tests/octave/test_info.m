function test_info ()
  % quarnel_info gives what quarnel's outputs show, with the same options,
  % for plain, compressed, header, zero-based and query-id files and a part
  % of a file; a file quarnel refuses gives quarnel's message, printed or
  % returned; progress prints nothing for a short pass.
  rand ("state", 26);
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    plain = fullfile (folder, "plain.txt");
    write_bytes (plain, random_lines (200, 3, false));
    system (sprintf ("gzip -k '%s'", plain));
    header = fullfile (folder, "header.txt");
    [text, count] = random_lines (120, 0, false);
    write_bytes (header, sprintf ("%d 60 9\n%s", count, text));
    queries = fullfile (folder, "queries.txt");
    write_bytes (queries, random_lines (150, 1, true));
    bytes = dir (plain).bytes;

    agrees (1, plain);
    agrees (1, [plain ".gz"]);
    agrees (0, header);
    agrees (1, queries);
    agrees (0, plain, "zero_based", true, "width", 70, "label_map", [9; 4; 100], "threads", 2);
    agrees (1, plain, "offset", 1000, "length", 2000);
    agrees (1, plain, "offset", bytes);  % an empty part

    write_bytes (fullfile (folder, "bad.txt"), "1 2:3\n1 2:3 2:4\n");
    bad = fullfile (folder, "bad.txt");
    expected = evalc ("quarnel (bad);");
    assert (evalc ("info = quarnel_info (bad);"), expected);
    assert (info, []);
    [info, message] = quarnel_info (bad);
    assert (info, []);
    assert ([message "\n"], expected);
    [info, message] = quarnel_info (plain);
    assert (isstruct (info) && isempty (message));
    expected = evalc ("quarnel (plain, 'zero_based', 'yes');");
    assert (evalc ("quarnel_info (plain, 'zero_based', 'yes');"), expected);
    assert (strtrim (evalc ("quarnel_info ();")), "Usage: info = quarnel_info(fname);");
    assert (evalc ("quarnel_info (plain, 'progress', true);"), "");
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

% Lines of 0 to 3 labels (none repeated) and pairs of indices from `base`
% up, values never 0, CR LF on some lines, comments; a query id on some
% lines when `ids`. `instances`: the lines that are not comments.
function [text, instances] = random_lines (count, base, ids)
  lines = cell (1, count);
  for i = 1:count
    labels = strjoin (arrayfun (@num2str, randperm (9, randi ([0 3])) - 1, "UniformOutput", false), ",");
    if (isempty (labels)) labels = " "; end
    if (ids && rand () < 0.7) labels = sprintf ("%s qid:%d", labels, randi (5)); end
    indices = sort (randperm (60, randi (5))) - 1 + base;
    pairs = sprintf (" %d:%.3g", [indices; 0.5 + rand(size (indices))]);
    lines{i} = [labels pairs];
    if (rand () < 0.2) lines{i} = [lines{i} "\r"]; end
    if (rand () < 0.05) lines{i} = ["# " lines{i}]; end
  end
  text = [strjoin(lines, "\n") "\n"];
  instances = sum (! strncmp (lines, "#", 1));
end

% quarnel_info of the file against quarnel's outputs; `first` is the
% index of the first column.
function agrees (first, name, varargin)
  what = [name sprintf(" %s", varargin{1:2:end})];
  [labels, features, label_map, ids] = quarnel (name, varargin{:});
  info = quarnel_info (name, varargin{:});
  same (info.instances, rows (features), what);
  same (info.pairs, nnz (features), what);
  same (info.label_tokens, nnz (labels), what);
  same (info.label_map, label_map, what);
  same (info.width, columns (features), what);
  same (info.min_index, first, what);
  same (info.max_index - info.min_index + 1, info.width, what);
  same (info.has_query_id, any (! isnan (ids)), what);
  options = struct (varargin{:});
  if (isfield (options, "offset"))
    assert (info.bytes <= dir (name).bytes - options.offset, what);
  else
    same (info.bytes, dir (name).bytes, what);
  end
  if (strfind (name, "header"))
    same (info.header, [rows(features) 60 9], what);
  else
    same (info.header, [], what);
  end
end

function same (observed, expected, what)
  if (! isequal (observed, expected))
    error ("%s: %s where quarnel gives %s", what, mat2str (observed), mat2str (expected));
  end
end
