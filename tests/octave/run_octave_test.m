function run_octave_test (names, entry)
  % Runs end-to-end test scripts, their names separated by commas, one after
  % another in this session, and exits non-zero at the first that fails.
  % With ENTRY ("oct" or "mex"), first checks that quarnel is that entry's
  % file: Octave runs quarnel.oct where it sits beside quarnel.mex.
  if (nargin > 1)
    [~, ~, ext] = fileparts (which ("quarnel"));
    if (! strcmp (ext, ["." entry]))
      fprintf (stderr, "%s: FAILED\nquarnel is %s, not the %s entry\n", names, ...
               which ("quarnel"), entry);
      exit (1);
    end
  end
  for name = strsplit (names, ",")
    name = name{1};
    try
      feval (name);
      printf ("%s: passed\n", name);
    catch err
      fprintf (stderr, "%s: FAILED\n%s\n", name, err.message);
      for k = 1:numel (err.stack)
        fprintf (stderr, "  at %s line %d\n", err.stack(k).name, err.stack(k).line);
      end
      exit (1);
    end
  end
  exit (0);
end
