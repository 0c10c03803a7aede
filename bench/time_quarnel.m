function time_quarnel (fname, runs)
  % Times, round after round, a whole call of quarnel on FNAME with the
  % default thread count (every core the host lets it use), one with
  % 'threads', 1, and the host's floor (bench/host_floor.cpp): outputs of
  % the same sizes made in their final shape through the same host calls,
  % written with a pattern in instance order and handed over, with no file
  % read. One untimed call of each first loads the modules and warms the
  % file cache, and checks that both thread counts give the same outputs.
  % Prints key=value lines for bench/run.
  [labels, features, label_map] = quarnel (fname);
  if (isempty (label_map) && nnz (features) == 0)
    error ("time_quarnel: quarnel read nothing from %s", fname);
  end
  [l, f, m] = quarnel (fname, 'threads', 1);
  same = isequal (l, labels) && isequal (f, features) && isequal (m, label_map);
  clear l f m;
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
  [labels, features, label_map] = host_floor (sizes{:});
  clear labels features label_map;

  all_cores = zeros (runs, 1);
  one_thread = zeros (runs, 1);
  floor_seconds = zeros (runs, 1);
  % Each call starts with no earlier outputs alive.
  for r = 1:runs
    tic;
    [labels, features, label_map] = quarnel (fname);
    all_cores(r) = toc;
    clear labels features label_map;
    tic;
    [labels, features, label_map] = quarnel (fname, 'threads', 1);
    one_thread(r) = toc;
    clear labels features label_map;
    tic;
    [labels, features, label_map] = host_floor (sizes{:});
    floor_seconds(r) = toc;
    clear labels features label_map;
  end

  print_seconds ("all", all_cores);
  print_seconds ("one", one_thread);
  print_seconds ("floor", floor_seconds);
end

function bytes = sparse_bytes (matrix)
  bytes = nnz (matrix) * (8 + 8) + (columns (matrix) + 1) * 8;
end

function print_seconds (name, seconds)
  printf ("%s_median=%.6f\n%s_min=%.6f\n%s_max=%.6f\n", name, median (seconds),
          name, min (seconds), name, max (seconds));
end
