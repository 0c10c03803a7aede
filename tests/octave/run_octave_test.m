function run_octave_test (name)
  % Runs one end-to-end test script and exits non-zero if it fails.
  try
    feval (name);
    printf ("%s: passed\n", name);
    exit (0);
  catch err
    fprintf (stderr, "%s: FAILED\n%s\n", name, err.message);
    for k = 1:numel (err.stack)
      fprintf (stderr, "  at %s line %d\n", err.stack(k).name, err.stack(k).line);
    end
    exit (1);
  end
end
