function test_write ()
  % quarnel_write: the forms of its inputs, each error once by identifier,
  % and failing writes that leave an earlier file as it was.
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    check_inputs (folder);
    check_errors (folder);
    check_failed_writes (folder);
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

function check_inputs (folder)
  name = fullfile (folder, "inputs.txt");
  % Full and logical labels, a full instance matrix, a row label_map.
  quarnel_write (name, logical ([1 0; 1 1; 0 0]), [0 2.5; 0 0; -1e-300 0], [7 -3]);
  assert (fileread (name), "7 2:2.5\n7,-3\n 1:-1e-300\n");
  % Explicit zeros of a sparse matrix (made by the reader) are written.
  fid = fopen (name, "w"); fputs (fid, " 2:0 3:5\n1 1:0\n"); fclose (fid);
  [y, X, m] = quarnel (name);
  quarnel_write (name, y, X, m);
  assert (fileread (name), " 2:0 3:5\n1 1:0\n");
  % Option names in any case; zero_based without a header.
  quarnel_write (name, y, X, m, "Zero_Based", 1);
  assert (fileread (name), " 1:0 2:5\n1 0:0\n");
  % A name in UTF-8 is the file's name byte for byte, written and read.
  typed = fullfile (folder, "donn\xc3\xa9es.txt");
  quarnel_write (typed, y, X, m);
  assert (any (strcmp ({dir(folder).name}, "donn\xc3\xa9es.txt")));
  [y2, X2, m2] = quarnel (typed);
  assert (isequal (y2, y) && isequal (X2, X) && isequal (m2, m));
end

function check_errors (folder)
  name = fullfile (folder, "errors.txt");
  y = sparse ([1; 0]);
  X = sparse ([1 0; 0 2]);
  calls = {
    "quarnel:write:usage",   @() quarnel_write (name, y, X)
    "quarnel:write:usage",   @() quarnel_write (name, y, X, 1, "header")
    "quarnel:write:type",    @() quarnel_write (42, y, X, 1)
    "quarnel:write:type",    @() quarnel_write (name, y, single (full (X)), 1)
    "quarnel:write:type",    @() quarnel_write (name, y, X, {1})
    "quarnel:write:complex", @() quarnel_write (name, y, X * 1i, 1)
    "quarnel:write:size",    @() quarnel_write (name, y, X(1, :), 1)
    "quarnel:write:size",    @() quarnel_write (name, y, X, [1 2])
    "quarnel:write:label",   @() quarnel_write (name, y, X, 1.5)
    "quarnel:write:label",   @() quarnel_write (name, y, X, 2^31)
    "quarnel:write:label",   @() quarnel_write (name, y, X, -1, "header", true)
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "headers", true)
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "header", "yes")
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "header", true, "zero_based", false)
    % true or false as quarnel's own options take it: NaN is neither, and a
    % sparse scalar is not taken
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "header", NaN)
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "zero_based", single (NaN))
    "quarnel:write:option",  @() quarnel_write (name, y, X, 1, "zero_based", sparse (1))
    "quarnel:write:open",    @() quarnel_write (fullfile (folder, "none", "x.txt"), y, X, 1)
    "quarnel:write:open",    @() quarnel_write ("/dev/null", y, X, 1)
    "quarnel:write:open",    @() quarnel_write ([name "\0.other"], y, X, 1)
  };
  for k = 1:rows (calls)
    try
      calls{k, 2} ();
      error ("no error from call %d", k);
    catch err
      assert (strcmp (err.identifier, calls{k, 1}), "call %d: %s %s", k, err.identifier, err.message);
    end
  end
  assert (! exist (name, "file"));
  try
    out = quarnel_write (name, y, X, 1);
    error ("no error for an output");
  catch err
    assert (err.identifier, "quarnel:write:usage");
  end
end

function check_failed_writes (folder)
  y = sparse ([1; 0]);
  X = sparse ([1 0; 0 2]);
  % A folder at the name: the complete file cannot take its place.
  taken = fullfile (folder, "taken");
  mkdir (taken);
  before = dir (folder);
  try
    quarnel_write (taken, y, X, 1);
    error ("no error");
  catch err
    assert (err.identifier, "quarnel:write:rename");
  end
  assert (numel (dir (folder)), numel (before));  % no temporary file left

  % A full disk, as a file size limit: the write fails part way and the
  % earlier file stays as it was.
  name = fullfile (folder, "earlier.txt");
  fid = fopen (name, "w"); fputs (fid, "1 1:1\n"); fclose (fid);
  script = fullfile (folder, "limited.m");
  fid = fopen (script, "w");
  fprintf (fid, "addpath ('%s');\n", fileparts (which ("quarnel_write")));
  fprintf (fid, "X = sprand (20000, 50, 0.5); y = sparse (20000, 0);\n");
  fprintf (fid, "try quarnel_write ('%s', y, X, []); catch err, disp (err.identifier); end\n", name);
  fclose (fid);
  [status, output] = system (sprintf ("sh -c \"trap '' XFSZ; ulimit -f 64; octave-cli --no-gui --norc --silent %s\" 2>&1", script));
  assert (! isempty (strfind (output, "quarnel:write:write")), "output: %s", output);
  assert (fileread (name), "1 1:1\n");
  assert (numel (dir (folder)), numel (before) + 2);  % earlier.txt and the script alone
end
