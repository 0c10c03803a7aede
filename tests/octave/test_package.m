function test_package ()
  % Makes the Octave package from the sources, installs it with pkg under a
  % temporary prefix (the user's own package lists are never read or
  % written), loads it and reads a file with the installed module.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  cmake = getenv ("QUARNEL_CMAKE");
  if (isempty (cmake))
    cmake = "cmake";
  end
  work = tempname ();
  mkdir (work);
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    [status, output] = system (sprintf ("'%s' -DOUTPUT_DIR='%s' -P '%s'", cmake, work,
                                        fullfile (root, "packaging", "make_package.cmake")));
    assert (status, 0, output);
    tarball = dir (fullfile (work, "quarnel-*.tar.gz"));
    assert (numel (tarball), 1);
    version = regexp (tarball.name, '^quarnel-(.*)\.tar\.gz$', "tokens", "once"){1};

    pkg ("prefix", fullfile (work, "prefix"), fullfile (work, "archprefix"));
    pkg ("local_list", fullfile (work, "local_list"));
    pkg ("global_list", fullfile (work, "global_list"));
    evalc ("pkg ('install', '-local', fullfile (work, tarball.name));");
    installed = pkg ("list");
    assert (numel (installed), 1);
    assert (installed{1}.name, "quarnel");
    assert (installed{1}.version, version);

    pkg ("load", "quarnel");
    % pkg puts the module in the architecture-dependent folder; its help
    % must have gone there too.
    module = which ("quarnel");
    archprefix = [fullfile(work, "archprefix") filesep];
    assert (strncmp (module, archprefix, numel (archprefix)), module);
    % Octave's own entry: the package builds no MEX entry for quarnel.
    assert (module(end-3:end), ".oct");
    text = evalc ("help quarnel");
    assert (! isempty (strfind (text, "Usage: ")), text);

    assert_example_loads ();
    % The self test is installed with the package, on the path it loads.
    assert (exist ("quarnel_selftest", "file"), 2);
    assert (strncmp (which ("quarnel_selftest"), fullfile (work, "prefix"), numel (fullfile (work, "prefix"))));
  unwind_protect_cleanup
    pkg ("unload", "quarnel");
    rmdir (work, "s");
  end_unwind_protect
end
