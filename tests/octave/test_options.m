function test_options ()
  % Name-value options: accepted forms, names as string scalars, and a
  % thread count that changes nothing a caller can see. Each message for a
  % bad option is a row of test_failure_table.
  good = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  data = {[1 1; 0 1; 0 0], [0.5 0 0 2; 0 1 0 0; 0 0 7 0], [3; 1]};
  % Repeated labels print a line each; the fault is on the last line.
  repeats = write_data ("1,1 1:1\n2,3,2 2:1\n#\n3,3 3:1\n");
  bad = write_data ("1 1:1\n2 2:1\n3 3:1\n4 x:1\n");
  folder = define_string_class ();
  unwind_protect
    % Values that leave this file's outputs as they are, in every accepted
    % form: other numeric classes, a column, a flag as a number, names in
    % any case, and more threads than are ever used.
    neutral = {"THREADS", 1e6, "Zero_Based", 0, "width", uint8(4), "label_map", int32([3; 1]), ...
               "offset", 0, "Length", 0, "progress", false};
    loads_as (good, neutral, data, "neutral options");
    loads_as (good, {"label_map", zeros(1, 0), "threads", 2}, data, "empty label_map");
    loads_as (good, {string("Threads"), 2}, data, "string scalar name");
    printed = evalc ("[a, b] = quarnel (good, string ('Bogus'), 1);");
    assert (printed, ["unknown option 'Bogus': quarnel takes 'threads', 'zero_based', " ...
                      "'width', 'label_map', 'offset', 'length' and 'progress'\n"]);
    assert ([size(a), size(b)], [0 0 0 0]);

    % One thread or several, with ranges forced down to a few bytes so that
    % even these files split into many: the same outputs and the same text.
    unwind_protect
      setenv ("QUARNEL_RANGE_BYTES", "5");
      [p1, l1, f1] = two_outputs (repeats, {"threads", 1});
      [p3, l3, f3] = two_outputs (repeats, {"threads", 3});
      assert (p1, ["ERROR: duplicate label 1 in 1-th instance\n" ...
                   "ERROR: duplicate label 2 in 2-th instance\n" ...
                   "ERROR: duplicate label 3 in 3-th instance\n"]);
      assert (p3, p1);
      assert (isequal (l3, l1) && isequal (f3, f1) && issparse (l3) && issparse (f3));
      [p1, l1, f1] = two_outputs (bad, {"threads", 1});
      [p3, l3, f3] = two_outputs (bad, {"threads", 3});
      assert (p1, sprintf ("malformed input in %s at line 4, column 3: feature index is not an integer\n", bad));
      assert ({p3, l3, f3}, {p1, l1, f1});
    unwind_protect_cleanup
      unsetenv ("QUARNEL_RANGE_BYTES");
    end_unwind_protect
  unwind_protect_cleanup
    rmpath (folder);
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
    delete (good);
    delete (repeats);
    delete (bad);
  end_unwind_protect
end

function loads_as (name, options, expected, what)
  printed = evalc ("[labels, features, label_map] = quarnel (name, options{:});");
  if (! (isempty (printed) && isequal ({full(labels), full(features), label_map}, expected)))
    error ("%s: printed \"%s\" or loaded other data", what, printed);
  end
end

function [printed, labels, features] = two_outputs (name, options)
  printed = evalc ("[labels, features] = quarnel (name, options{:});");
end
