function time_quarnel (fname, runs)
  % Times, round after round, a whole call of quarnel on FNAME with the
  % default thread count (every core the host lets it use), one with
  % 'threads', 1, and the host's floor: outputs of the same sizes made in
  % their final shape as the entry makes them, written with a pattern in
  % instance order and handed over, with no file read. quarnel is the
  % oct-file, Octave's own entry, with its floor host_floor_oct
  % (bench/host_floor_oct.cpp); where quarnel_mex is on the path (a copy
  % of the MEX entry, quarnel.mex, under that name) the MEX entry and its
  % floor host_floor (bench/host_floor.cpp) are timed in the same rounds.
  % One untimed call of each first loads the modules and warms the file
  % cache, and checks that both thread counts, and both entries, give the
  % same outputs. Prints key=value lines for bench/run, the MEX entry's
  % prefixed with mex_.
  [labels, features, label_map] = quarnel (fname);
  if (isempty (label_map) && nnz (features) == 0)
    error ("time_quarnel: quarnel read nothing from %s", fname);
  end
  [l, f, m] = quarnel (fname, 'threads', 1);
  same = isequal (l, labels) && isequal (f, features) && isequal (m, label_map);
  clear l f m;
  with_mex = exist ("quarnel_mex") == 3;
  if (with_mex)
    [l, f, m] = quarnel_mex (fname);
    same_entries = isequal (l, labels) && isequal (f, features) && isequal (m, label_map);
    clear l f m;
    printf ("same_entries=%d\n", same_entries);
  end
  sizes = {rows(label_map), rows(features), nnz(labels), columns(features), nnz(features)};
  printf ("threads=%d\nsame_threads=%d\n", nproc (), same);
  printf ("rows=%d\nlabel_columns=%d\nfeature_columns=%d\n", rows (features),
          columns (labels), columns (features));
  printf ("label_nnz=%d\nfeature_nnz=%d\nlabel_map_numel=%d\n", nnz (labels),
          nnz (features), numel (label_map));
  % Bytes as the host stores them: values and row indices of 8 bytes each,
  % one column start per column and one more; a dense matrix, 8 per element.
  printf ("output_bytes=%d\n",
          sparse_bytes (labels) + sparse_bytes (features) + 8 * numel (label_map));
  clear labels features label_map;
  [labels, features, label_map] = host_floor_oct (sizes{:});
  clear labels features label_map;
  entries = {"", @quarnel, @host_floor_oct};
  if (with_mex)
    [labels, features, label_map] = host_floor (sizes{:});
    clear labels features label_map;
    entries(end + 1, :) = {"mex_", @quarnel_mex, @host_floor};
  end

  seconds = zeros (runs, 3, rows (entries));
  % Each call starts with no earlier outputs alive; the entries take turns
  % within every round.
  for r = 1:runs
    for e = 1:rows (entries)
      [call_read, call_floor] = entries{e, 2:3};
      tic;
      [labels, features, label_map] = call_read (fname);
      seconds(r, 1, e) = toc;
      clear labels features label_map;
      tic;
      [labels, features, label_map] = call_read (fname, "threads", 1);
      seconds(r, 2, e) = toc;
      clear labels features label_map;
      tic;
      [labels, features, label_map] = call_floor (sizes{:});
      seconds(r, 3, e) = toc;
      clear labels features label_map;
    end
  end

  for e = 1:rows (entries)
    print_seconds ([entries{e, 1} "all"], seconds(:, 1, e));
    print_seconds ([entries{e, 1} "one"], seconds(:, 2, e));
    print_seconds ([entries{e, 1} "floor"], seconds(:, 3, e));
  end
end

function bytes = sparse_bytes (matrix)
  bytes = nnz (matrix) * (8 + 8) + (columns (matrix) + 1) * 8;
end

function print_seconds (name, seconds)
  printf ("%s_median=%.6f\n%s_min=%.6f\n%s_max=%.6f\n", name, median (seconds),
          name, min (seconds), name, max (seconds));
end
