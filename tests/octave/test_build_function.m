function test_build_function ()
  % build_quarnel compiles working modules, with their help, the self test
  % and the datastore beside them and mexFunction their only export, into
  % the folder it is given; the self test passes on what it built.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  folder = tempname ();
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    addpath (root);
    printed = evalc ("built = build_quarnel (folder);");
    assert (built, folder);
    assert (! isempty (strfind (printed, folder)), printed);

    module = fullfile (folder, "quarnel.mex");
    addpath (folder);
    assert (which ("quarnel"), module);
    assert (! isempty (strfind (evalc ("help quarnel"), "Usage: ")));
    % The datastore, M-code, goes with the modules.
    assert (exist (fullfile (folder, "quarnelDatastore.m"), "file"), 2);

    assert_example_loads ();
    assert (which ("quarnel_selftest"), fullfile (folder, "quarnel_selftest.m"));
    printed = evalc ("ok = quarnel_selftest ();");
    assert (ok, printed);

    if (isunix () && ! ismac ())
      for name = {"quarnel", "quarnel_write", "quarnel_info"}
        [status, symbols] = system (["nm -D --defined-only '" fullfile(folder, [name{1} ".mex"]) "'"]);
        assert (status, 0, symbols);
        names = regexp (strtrim (symbols), '\S+$', "match", "lineanchors");
        assert (names, {"mexFunction"});
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
