function test_memory_limits ()
  % The memory guard under a real process limit, and a host allocation that
  % fails: in both, the session goes on, and no data file is left open.
  module = fileparts (which ("quarnel"));
  [status, octave] = system ("command -v octave-cli");
  octave = strtrim (octave);
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    good = fullfile (folder, "good.txt");
    write_bytes (good, "3,1 1:0.5 4:2\n1 2:1\n 3:7\n");

    % Indices 1 and 5e8: 4 GB of column starts, 8 GB with Octave's copy of
    % them, under a limit of 4 GB of address space.
    wide = fullfile (folder, "wide.txt");
    write_bytes (wide, " 1:1 500000000:1\n");
    out = run_octave (octave, module, "ulimit -v 4000000;", ...
                      sprintf ("[a, b] = quarnel ('%s'); disp (size (b)); [a, b, c] = quarnel ('%s'); disp (full (b));", ...
                               wide, good));
    expected = sprintf ("not enough memory to read input file %s: its outputs need ", wide);
    assert (strncmp (out, expected, numel (expected)), out);
    assert (! isempty (regexp (out, "are available\n   0   0\n   0.5000        0        0   2.0000", "once")), out);

    % One allocation of the host fails inside the call (12345 values of 8
    % bytes): the host ends the call with its own error; the data file
    % must not stay open, and the next call works.
    shim = getenv ("QUARNEL_FAIL_SHIM");
    if (isempty (shim))
      printf ("test_memory_limits: SKIPPED the failing allocation: no QUARNEL_FAIL_SHIM\n");
      return;
    end
    pairs = fullfile (folder, "pairs.txt");
    write_bytes (pairs, [" " sprintf("%d:1 ", 1:12345) "\n"]);
    script = sprintf (["try, quarnel ('%s'); disp ('no error'); catch err, disp ('host error'); end\n" ...
                       "open = {};\n" ...
                       "for f = dir ('/proc/self/fd')', open{end+1} = readlink (fullfile ('/proc/self/fd', f.name)); end\n" ...
                       "printf ('open: %%d\\n', any (strcmp (open, '%s')));\n" ...
                       "[a, b, c] = quarnel ('%s'); disp (c');"], pairs, pairs, good);
    out = run_octave (octave, module, sprintf ("LD_PRELOAD=%s QUARNEL_FAIL_ALLOCATION_SIZE=%d", shim, 12345 * 8), script);
    assert (! isempty (strfind (out, "host error")), out);
    assert (! isempty (strfind (out, "open: 0")), out);
    assert (! isempty (regexp (out, "3\\s+1", "once")), out);
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

function out = run_octave (octave, module, prefix, script)
  file = [tempname() ".m"];
  fid = fopen (file, "w");
  fprintf (fid, "addpath ('%s');\n%s\n", module, script);
  fclose (fid);
  [~, out] = system (sprintf ("%s %s --no-gui --norc --silent %s 2>&1", prefix, octave, file));
  delete (file);
end
