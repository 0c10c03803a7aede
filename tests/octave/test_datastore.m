function test_datastore ()
  % quarnelDatastore against stand-ins of MATLAB's base classes: over a
  % folder of plain, header, compressed and empty files, the blocks read in
  % order stack to quarnel of each whole file with the datastore's figures,
  % for blocks smaller than a line and larger than a file; partitions read
  % every block once; a Hadoop split reads what quarnel reads of its bytes;
  % and the figures, options and failures are the datastore's.
  addpath (fullfile (fileparts (mfilename ("fullpath")), "datastore_bases"));
  rand ("state", 31);
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    files = {"a.txt", "b.txt.gz", "c.txt", "d.txt", "e.txt"};
    files = cellfun (@(f) fullfile (folder, f), files, "UniformOutput", false);
    write_bytes (files{1}, random_lines (40, 1, 30));
    write_bytes (fullfile (folder, "b.txt"), random_lines (30, 1, 30));
    system (sprintf ("gzip '%s'", fullfile (folder, "b.txt")));
    [text, count] = random_lines (25, 0, 20);
    write_bytes (files{3}, sprintf ("%d 20 12\n%s", count, text));
    write_bytes (files{4}, "");
    write_bytes (files{5}, strtrim (random_lines (10, 1, 45)));  % no line end at the end

    ds = quarnelDatastore (folder, "progress", false);
    assert (ds.Files, files(:));
    assert (ds.ZeroBased, true);  % the header file is zero-based
    assert (ds.Width, 46);        % index 45, from 0
    whole = whole_files (ds);
    assert (ds.LabelMap, whole.map);

    for block_size = [7 61 500 1e6]
      ds = quarnelDatastore (fullfile (folder, "*"), "BlockSize", block_size, "progress", false);
      assert (numpartitions (ds), numel (blocks_expected (ds, block_size)));
      same (stack (read_all_blocks (ds)), whole, sprintf ("blocks of %d bytes", block_size));
      assert (progress (ds), 1);
      reset (ds);
      assert (hasdata (ds) && progress (ds) == 0);
      same (stack (readall (ds)), whole, "readall");
      for n = [1 3 numpartitions(ds) + 2]
        parts = cell (n, 1);
        for i = 1:n
          parts{i} = read_all_blocks (partition (ds, n, i));
        end
        same (stack (vertcat (parts{:})), whole, sprintf ("%d partitions of %d-byte blocks", n, block_size));
      end
    end
    read_all_blocks (ds);
    try
      read (ds);
      error ("read past the end");
    catch err
      assert (err.identifier, "quarnelDatastore:noMoreData");
    end

    % A split as Hadoop hands it out: the lines that start in its bytes.
    options = {"zero_based", ds.ZeroBased, "width", ds.Width, "label_map", ds.LabelMap};
    for trial = 1:6
      name = files{[1 2 3 5 1 2](trial)};
      bytes = dir (name).bytes;
      offset = randi ([0 bytes]);
      len = randi ([1 bytes]);
      initializeDatastore (ds, struct ("FileName", name, "Offset", offset, "Size", len));
      if (name(end) == "z" && offset > 0)
        assert (! hasdata (ds));  % the split at byte 0 reads it whole
        continue;
      elseif (name(end) == "z")
        [labels, features] = quarnel (name, options{:});
      else
        [labels, features] = quarnel (name, options{:}, "offset", offset, "length", len);
      end
      got = stack (read_all_blocks (ds));
      assert (isequal (got, {full(labels), features}), "split %s %d+%d", name, offset, len);
    end
    assert (getLocation (ds), files(:));
    assert (isfullfile (ds), false);
    assert (! isempty (strfind (evalc ("help quarnelDatastore"), "DS = QUARNELDATASTORE(LOCATION)")));

    first = preview (quarnelDatastore (files{1}, "progress", false));
    [labels, features] = quarnel (files{1});
    assert (isequal (first(1:2), {labels(1:8, :), features(1:8, :)}));

    % Figures given are used as given; a label outside the label map fails
    % when its block is read.
    ds = quarnelDatastore (files{1}, "zero_based", false, "width", 30, "label_map", [1 2]);
    assert ([ds.ZeroBased, ds.Width], [0 30]);
    fails (@() readall (ds), "quarnelDatastore:labels");
    fails (@() quarnelDatastore (files{1}, "offset", 3), "quarnelDatastore:option");
    fails (@() quarnelDatastore (fullfile (folder, "none*")), "quarnelDatastore:location");
    write_bytes (files{4}, "1 2:3 2:4\n");
    message = fails (@() quarnelDatastore (folder, "progress", false), "quarnelDatastore:read");
    assert (! isempty (strfind (message, "feature index repeated in one instance")), message);
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

% Lines of 0 to 3 labels from 0 to 11 and pairs of indices from `base` to
% `base + top - 1`, CR LF on some lines, a comment line, an empty line.
function [text, instances] = random_lines (count, base, top)
  lines = cell (1, count);
  for i = 1:count
    labels = strjoin (arrayfun (@num2str, randperm (12, randi ([0 3])) - 1, "UniformOutput", false), ",");
    indices = sort (randperm (top, randi (4))) - 1 + base;
    lines{i} = [labels sprintf(" %d:%.3g", [indices; 0.5 + rand(size (indices))])];
    if (rand () < 0.2) lines{i} = [lines{i} "\r"]; end
  end
  lines{3} = "# a comment";
  lines{5} = "";
  text = [strjoin(lines, "\n") "\n"];
  instances = count - 1;
end

% quarnel of every file whole, with the datastore's figures, stacked.
function whole = whole_files (ds)
  options = {"zero_based", ds.ZeroBased, "width", ds.Width, "label_map", ds.LabelMap};
  whole = struct ("labels", [], "features", [], "map", ds.LabelMap);
  for k = 1:numel (ds.Files)
    [labels, features, map] = quarnel (ds.Files{k}, options{:});
    assert (map, ds.LabelMap);
    whole.labels = [whole.labels; full(labels)];
    whole.features = [whole.features; features];
  end
end

function got = read_all_blocks (ds)
  got = cell (0, 3);
  while (hasdata (ds))
    before = progress (ds);
    [got(end + 1, :), info] = read (ds);
    assert (progress (ds) >= before);
    assert (isfield (info, "FileName") && isfield (info, "Offset") && isfield (info, "Size"));
  end
end

% Blocks' data stacked: {labels (full), features}.
function out = stack (blocks)
  out = {full(vertcat (blocks{:, 1})), vertcat(blocks{:, 2})};
  assert (rows (vertcat (blocks{:, 3})), rows (out{2}));
end

function same (got, whole, what)
  if (! isequal (got, {whole.labels, whole.features}))
    error ("%s: the blocks differ from the whole files", what);
  end
end

% The blocks a datastore of these files should have: a plain file in
% blocks of `block_size` bytes, a compressed one whole, an empty one none.
function blocks = blocks_expected (ds, block_size)
  blocks = [];
  for k = 1:numel (ds.Files)
    if (ds.Files{k}(end) == "z")
      blocks(end + 1) = k;
    else
      blocks = [blocks, repmat(k, 1, ceil (dir (ds.Files{k}).bytes / block_size))];
    end
  end
end

function message = fails (call, identifier)
  try
    evalc ("call ();");
  catch err
    assert (strcmp (err.identifier, identifier), err.message);
    message = err.message;
    return;
  end
  error ("no error %s", identifier);
end
