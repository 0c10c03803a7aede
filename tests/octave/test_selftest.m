function test_selftest ()
  % quarnel_selftest as a user runs it after building: on this build every
  % check passes. Against a reader that drops an instance and a writer
  % without xz, it names the failures and the missing format, returns
  % false and still counts right. Its folder is gone either way.
  pattern = fullfile (tempdir (), "*_quarnel_selftest");
  before = glob (pattern);

  printed = evalc ("ok = quarnel_selftest ();");
  assert (ok, printed);
  lines = strsplit (strtrim (printed), "\n");
  % The module checked, one line per group, the count.
  assert (numel (lines), 8, printed);
  assert (lines{1}, ["quarnel_selftest: " which("quarnel")]);
  total = str2double (regexp (lines{end}, '^(\d+) checks passed, 0 failed$', "tokens", "once"));
  assert (total >= 20, printed);
  assert (isempty (strfind (printed, "FAILED")), printed);

  stand_ins = tempname ();
  mkdir (stand_ins);
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    % The real modules under other names, behind stand-ins of the same
    % names as theirs: for quarnel the MEX entry beside it, which, unlike
    % an oct-file, takes its name from its file's.
    module = fullfile (fileparts (which ("quarnel")), ["quarnel." mexext()]);
    copyfile (module, fullfile (stand_ins, ["real_quarnel." mexext()]));
    copyfile (which ("quarnel_write"), fullfile (stand_ins, ["real_quarnel_write." mexext()]));
    write_function (stand_ins, "quarnel", ...
      {"function varargout = quarnel (varargin)", ...
       "  varargout = cell (1, max (nargout, 1));", ...
       "  [varargout{:}] = real_quarnel (varargin{:});", ...
       "  if (numel (varargout) >= 2 && rows (varargout{2}) > 1)", ...
       "    varargout{2} = varargout{2}(1:end-1, :);", ...
       "  end"});
    write_function (stand_ins, "quarnel_write", ...
      {"function quarnel_write (name, varargin)", ...
       "  if (numel (name) > 3 && strcmp (name(end-2:end), '.xz'))", ...
       "    error ('quarnel:write:format', 'no xz');", ...
       "  end", ...
       "  real_quarnel_write (name, varargin{:});"});
    addpath (stand_ins);
    % The calls already made are bound to the modules: drop them.
    clear quarnel quarnel_write quarnel_selftest;
    assert (which ("quarnel"), fullfile (stand_ins, "quarnel.m"));
    printed = evalc ("ok = quarnel_selftest ();");
    assert (! ok, printed);
    counts = str2double (regexp (printed, '(\d+) checks passed, (\d+) failed\s*$', "tokens", "once"));
    assert (counts(2) > 0 && sum (counts) == total - 1, printed);
    assert (numel (strfind (printed, "    FAILED ")), counts(2), printed);
    assert (! isempty (regexp (printed, 'compressed files +\d of 3 passed; not in this build: xz\n')), printed);
    assert (! isempty (strfind (printed, "FAILED the example file: instance_matrix differs")), printed);
  unwind_protect_cleanup
    rmpath (stand_ins);
    clear quarnel quarnel_write real_quarnel real_quarnel_write;
    rmdir (stand_ins, "s");
  end_unwind_protect
  assert (glob (pattern), before);
end

function write_function (folder, name, lines)
  fid = fopen (fullfile (folder, [name ".m"]), "w");
  fprintf (fid, "%s\n", lines{:});
  fclose (fid);
end
