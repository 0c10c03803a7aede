function time_quarnel (fname, runs)
  % Times RUNS whole calls of quarnel on FNAME after one untimed call that
  % loads the module and warms the file cache, then the host's own
  % transposition of matrices of the same sizes: the transposes of the
  % returned matrices are built first and transposing them back is timed.
  % Prints key=value lines for bench/run.
  [labels, features, label_map] = quarnel (fname);
  if (isempty (label_map) && nnz (features) == 0)
    error ("time_quarnel: quarnel read nothing from %s", fname);
  end
  clear labels features label_map;

  whole = zeros (runs, 1);
  for r = 1:runs
    tic;
    [labels, features, label_map] = quarnel (fname);
    whole(r) = toc;
    if (r < runs)
      % Each call starts with no earlier outputs alive.
      clear labels features label_map;
    end
  end

  labels_t = labels.';
  features_t = features.';
  transposition = zeros (runs, 1);
  for r = 1:runs
    tic;
    back_labels = labels_t.';
    back_features = features_t.';
    transposition(r) = toc;
    clear back_labels back_features;
  end

  print_seconds ("whole", whole);
  print_seconds ("transpose", transposition);
  printf ("rows=%d\nlabel_columns=%d\nfeature_columns=%d\n", rows (features),
          columns (labels), columns (features));
  printf ("label_nnz=%d\nfeature_nnz=%d\nlabel_map_numel=%d\n", nnz (labels),
          nnz (features), numel (label_map));
  % Bytes as the host stores them: values and row indices of 8 bytes each,
  % one column start per column and one more; a dense matrix, 8 per element.
  output_bytes = sparse_bytes (labels) + sparse_bytes (features) + 8 * numel (label_map);
  % The host's transposition copies: the same entries in the untransposed
  % shapes, whose columns are the instances.
  copy_bytes = sparse_bytes (labels_t) + sparse_bytes (features_t);
  printf ("output_bytes=%d\ncopy_bytes=%d\n", output_bytes, copy_bytes);
end

function bytes = sparse_bytes (matrix)
  bytes = nnz (matrix) * (8 + 8) + (columns (matrix) + 1) * 8;
end

function print_seconds (name, seconds)
  printf ("%s_median=%.6f\n%s_min=%.6f\n%s_max=%.6f\n", name, median (seconds),
          name, min (seconds), name, max (seconds));
end
