function test_transpose_failure ()
  % A failing host transposition is reported, not raised: shadow the
  % built-in "transpose" with one that fails on the first or second call.
  name = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    write_transpose (folder, 1);
    [printed, labels, features, label_map] = call_quarnel (name);
    assert (printed, "Error: cannot transpose labels\n");
    assert (size (labels), [2 3]);    % left as created: one column per instance
    assert (size (features), [4 3]);
    assert (label_map, [3; 1]);

    write_transpose (folder, 2);
    [printed, labels, features, label_map] = call_quarnel (name);
    assert (printed, "Error: cannot transpose problem\n");
    assert (full (labels), [1 1; 0 1; 0 0]);
    assert (size (features), [4 3]);
    assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]');
  unwind_protect_cleanup
    rmpath (folder);
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
    delete (name);
  end_unwind_protect
end

function write_transpose (folder, failing_call)
  % A transpose that fails on call number `failing_call` and works before.
  rmpath_if_present (folder);
  fid = fopen (fullfile (folder, "transpose.m"), "w");
  fprintf (fid, "function y = transpose (x)\n");
  fprintf (fid, "  persistent calls;\n  if (isempty (calls)) calls = 0; end\n");
  fprintf (fid, "  calls = calls + 1;\n");
  fprintf (fid, "  if (calls == %d) error ('test:transpose', 'transpose refused'); end\n", failing_call);
  fprintf (fid, "  y = builtin ('transpose', x);\nend\n");
  fclose (fid);
  warning ("off", "Octave:shadowed-function");
  addpath (folder);
  clear transpose;
end

function rmpath_if_present (folder)
  if (any (strcmp (strsplit (path (), pathsep ()), folder)))
    rmpath (folder);
  end
end
