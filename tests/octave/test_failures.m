function test_failures ()
  % Every failure prints one message and leaves empty 0-by-0 matrices in
  % outputs 1 and 2 and nothing in output 3: never a partial result.
  missing = [tempname() "_missing.txt"];
  expect_failure (missing, sprintf ("can't open input file %s\n", missing));

  folder = tempname ();
  mkdir (folder);
  expect_failure (folder, sprintf ("can't open input file %s\n", folder));
  rmdir (folder);

  % Malformed lines, reported with the line and the column where the bad
  % token starts; a comment line still counts as a line.
  cases = {
    "1 1:1\n#c\n2 1:1 x:3\n",   3, 7;
    "1 1:\n2:1\n",              1, 5;   % the value never comes from the next line
    "1 3:1 2:2 3:4\n",          1, 11;  % the same index twice
    " 1:1\n\t2:1\n",            2, 2;   % a tab-led line reads "2:1" as a label
    "1 1:0.5 2:abc\n",          1, 11;  % found while converting values
    "1 1:1\n2 2:1e5x\n",        2, 5;
  };
  for k = 1:rows (cases)
    name = write_data (cases{k, 1});
    printed = expect_failure (name, []);
    prefix = sprintf ("malformed input in %s at line %d, column %d: ", name, cases{k, 2}, cases{k, 3});
    assert (strncmp (printed, prefix, numel (prefix)), "case %d printed: %s", k, printed);
    assert (sum (printed == "\n"), 1);
    assert (printed(end), "\n");
    delete (name);
  end

  % A third output is not assigned after a failure: the host says so.
  try
    [a, b, c] = quarnel (missing);
    error ("a third output was assigned");
  catch err
    assert (! isempty (strfind (err.message, "undefined")), err.message);
  end
end

function printed = expect_failure (name, message)
  printed = evalc ("[labels, features] = quarnel (name);");
  if (! isempty (message))
    assert (printed, message);
  end
  assert (isempty (labels) && isempty (features));
  assert (size (labels), [0 0]);
  assert (size (features), [0 0]);
  assert (! issparse (labels) && ! issparse (features));
end
