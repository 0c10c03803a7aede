function time_quarnel (fname, runs)
  % Times RUNS whole calls of quarnel on FNAME after one untimed call that
  % loads the module and warms the file cache, and, alternating with them,
  % RUNS calls of the host's floor (bench/host_floor.cpp): outputs of the
  % same sizes made in their final shape through the same host calls,
  % written with a pattern in instance order and handed over, with no file
  % read. Prints key=value lines for bench/run.
  [labels, features, label_map] = quarnel (fname);
  if (isempty (label_map) && nnz (features) == 0)
    error ("time_quarnel: quarnel read nothing from %s", fname);
  end
  sizes = {rows(label_map), rows(features), nnz(labels), columns(features), nnz(features)};
  printf ("rows=%d\nlabel_columns=%d\nfeature_columns=%d\n", rows (features),
          columns (labels), columns (features));
  printf ("label_nnz=%d\nfeature_nnz=%d\nlabel_map_numel=%d\n", nnz (labels),
          nnz (features), numel (label_map));
  % Bytes as the host stores them: values and row indices of 8 bytes each,
  % one column start per column and one more; a dense matrix, 8 per element.
  output_bytes = sparse_bytes (labels) + sparse_bytes (features) + 8 * numel (label_map);
  % The host's transposition copies: the same entries in the untransposed
  % shapes, whose columns are the instances.
  copy_bytes = (nnz (labels) + nnz (features)) * 16 + 2 * (rows (features) + 1) * 8;
  printf ("output_bytes=%d\ncopy_bytes=%d\n", output_bytes, copy_bytes);
  clear labels features label_map;
  [labels, features, label_map] = host_floor (sizes{:});
  clear labels features label_map;

  whole = zeros (runs, 1);
  floor_seconds = zeros (runs, 1);
  % Each call starts with no earlier outputs alive.
  for r = 1:runs
    tic;
    [labels, features, label_map] = quarnel (fname);
    whole(r) = toc;
    clear labels features label_map;
    tic;
    [labels, features, label_map] = host_floor (sizes{:});
    floor_seconds(r) = toc;
    clear labels features label_map;
  end

  print_seconds ("whole", whole);
  print_seconds ("floor", floor_seconds);
end

function bytes = sparse_bytes (matrix)
  bytes = nnz (matrix) * (8 + 8) + (columns (matrix) + 1) * 8;
end

function print_seconds (name, seconds)
  printf ("%s_median=%.6f\n%s_min=%.6f\n%s_max=%.6f\n", name, median (seconds),
          name, min (seconds), name, max (seconds));
end
