function test_build_function ()
  % build_quarnel compiles working modules, with their help, the self test
  % and the datastore beside them, into the folder it is given: the MEX
  % entries, mexFunction their only export, and beside quarnel.mex the
  % oct-file that Octave runs, its installer Gquarnel its only export; the
  % self test passes on what it built.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  folder = tempname ();
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    addpath (root);
    printed = evalc ("built = build_quarnel (folder);");
    assert (built, folder);
    assert (! isempty (strfind (printed, folder)), printed);

    addpath (folder);
    assert (which ("quarnel"), fullfile (folder, "quarnel.oct"));
    assert (! isempty (strfind (evalc ("help quarnel"), "Usage: ")));
    % The datastore, M-code, goes with the modules.
    assert (exist (fullfile (folder, "quarnelDatastore.m"), "file"), 2);

    assert_example_loads ();
    assert (which ("quarnel_selftest"), fullfile (folder, "quarnel_selftest.m"));
    printed = evalc ("ok = quarnel_selftest ();");
    assert (ok, printed);

    if (isunix () && ! ismac ())
      exports = {"quarnel.mex", "mexFunction"; "quarnel_write.mex", "mexFunction";
                 "quarnel_info.mex", "mexFunction"; "quarnel.oct", "Gquarnel"};
      for k = 1:rows (exports)
        [status, symbols] = system (["nm -D --defined-only '" fullfile(folder, exports{k, 1}) "'"]);
        assert (status, 0, symbols);
        names = regexp (strtrim (symbols), '\S+$', "match", "lineanchors");
        assert (names, exports(k, 2));
      end
    end
  unwind_protect_cleanup
    rmpath (folder);
    rmpath (root);
    if (exist (folder, "dir"))
      rmdir (folder, "s");
    end
  end_unwind_protect
end
