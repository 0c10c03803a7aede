function time_compressed (names, runs)
  % Times RUNS whole calls of quarnel on each file of NAMES (the plain file
  % first), taking the files in turn within each round, after one untimed
  % call on each that loads the module, warms the file cache and checks that
  % every file loads exactly as the first. Prints key=value lines for
  % bench/compressed: medians of the wall time and of the processor time.
  [labels, features, label_map] = quarnel (names{1});
  same = 1;
  for k = 2:numel (names)
    [l, f, m] = quarnel (names{k});
    same = same && isequal (l, labels) && isequal (f, features) && isequal (m, label_map);
  end
  clear labels features label_map l f m;
  % Wall time, and the processor time of this process, which other work
  % on a shared machine disturbs less.
  seconds = zeros (runs, numel (names));
  cpu = zeros (runs, numel (names));
  for r = 1:runs
    for k = 1:numel (names)
      start = cputime ();
      tic;
      [labels, features, label_map] = quarnel (names{k});
      seconds(r, k) = toc;
      cpu(r, k) = cputime () - start;
      clear labels features label_map;
    end
  end
  printf ("same=%d\n", same);
  for k = 1:numel (names)
    printf ("median_%d=%.6f\nmin_%d=%.6f\nmax_%d=%.6f\ncpu_%d=%.6f\n", k, median (seconds(:, k)), ...
            k, min (seconds(:, k)), k, max (seconds(:, k)), k, median (cpu(:, k)));
  end
end
