function time_quarnel_write (data_file, output, runs)
  % Loads DATA_FILE with quarnel, then writes it to OUTPUT with quarnel_write
  % RUNS times and prints key=value lines: the median, fastest and slowest
  % seconds of the whole call, the median processor seconds (user and
  % system, which a shared machine disturbs less), and the bytes written. Every write must read
  % back to the same instance_matrix.
  [labels, features, label_map] = quarnel (data_file);
  times = zeros (1, runs);
  processor = zeros (1, runs);
  for k = 1:runs
    start = tic ();
    processor_start = cputime ();
    quarnel_write (output, labels, features, label_map);
    processor(k) = cputime () - processor_start;
    times(k) = toc (start);
  end
  [~, features2] = quarnel (output);
  if (! isequal (features2, features))
    error ("time_quarnel_write: %s does not read back to the same matrix", output);
  end
  listing = dir (output);
  printf ("write_median=%.4f\nwrite_min=%.4f\nwrite_max=%.4f\nwrite_processor=%.4f\nwrite_bytes=%d\n", ...
          median (times), min (times), max (times), median (processor), listing.bytes);
end
