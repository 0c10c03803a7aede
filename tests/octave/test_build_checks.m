function test_build_checks ()
  % build_quarnel's checks for MATLAB, on made-up tool output and
  % folders where MATLAB is needed, on this machine's where not: the C++
  % library symbol versions a module needs, the library a process has
  % loaded, the selected compiler, the number conversions' headers and
  % what to install where they are missing; and that the M-files MATLAB
  % runs keep to syntax MATLAB parses.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  folder = tempname ();
  helpers = fullfile (folder, "helpers");
  mkdir (helpers);
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    copyfile (fullfile (root, "private", "*.m"), helpers);
    addpath (helpers);
    symbol_versions (root);
    compilers ();
    number_headers (folder);
    advice ();
    listed = dir (fullfile (root, "private", "*.m"));
    files = [{fullfile(root, "build_quarnel.m")}, strcat([root "/private/"], {listed.name}), ...
             strcat([root "/gateway/"], {"quarnel.m", "quarnel_write.m", "quarnel_selftest.m"})];
    for file = files
      assert_matlab_syntax (file{1});
    end
  unwind_protect_cleanup
    rmpath (helpers);
    rmdir (folder, "s");
  end_unwind_protect
end

function symbol_versions (root)
  % Undefined symbols are judged, defined ones and unnumbered versions not;
  % a version in parentheses counts as one without.
  module = ["0000000000000000      DF *UND*\t0000000000000000 (GLIBCXX_3.4.22) _ZNSt6thread6_StateD2Ev\n" ...
            "0000000000000000      DF *UND*\t0000000000000000  GLIBCXX_3.4.9 _ZSt29_Rb_tree_insert_and_rebalancebPSt18_Rb_tree_node_baseS0_RS_\n" ...
            "0000000000000000      DF *UND*\t0000000000000000 (CXXABI_1.3.13) __cxa_init_primary_exception\n" ...
            "0000000000000000      DF *UND*\t0000000000000000 (GLIBC_2.34) pthread_create\n" ...
            "0000000000001000 g    DF .text\t0000000000000010  GLIBCXX_3.4.30 made_here\n" ...
            "0000000000000000      DF *UND*\t0000000000000000 (CXXABI_TM_1) __cxa_tm_cleanup\n"];
  library = ["0000000000000000 g    DO *ABS*\t0000000000000000  GLIBCXX_3.4.21 GLIBCXX_3.4.21\n" ...
             "00000000000eaf40  w   DF .text\t0000000000000013  GLIBCXX_3.4.9 _ZNSsC1Ev\n" ...
             "00000000000a8f40 g    DF .text\t00000000000000b7 (CXXABI_1.3.11) __cxa_old\n" ...
             "0000000000000000      DF *UND*\t0000000000000000 (GLIBCXX_3.4.99) not_its_own\n"];
  [too_new, limits] = cxx_library_check (module, library);
  assert (limits, struct ("GLIBCXX", "3.4.21", "CXXABI", "1.3.11"));
  assert ({too_new.symbol}, {"_ZNSt6thread6_StateD2Ev", "__cxa_init_primary_exception"});
  assert ({too_new.version}, {"GLIBCXX_3.4.22", "CXXABI_1.3.13"});
  assert ({too_new.limit}, {"GLIBCXX_3.4.21", "CXXABI_1.3.11"});
  % Versions compare by number, not as text.
  assert (isempty (cxx_library_check (module, struct ("GLIBCXX", "3.4.100", "CXXABI", "1.3.13"))));
  % No version in the reference: nothing judged, and the caller told so.
  [too_new, limits] = cxx_library_check (module, "objdump: not a file\n");
  assert (isempty (too_new) && isempty (limits));

  % This build's module, parsed as build_quarnel parses it, against the
  % limits the CMake test build holds it to: the same verdict (none).
  module = which ("quarnel");
  [status, table] = system (sprintf ("objdump -T '%s'", module));
  assert (status, 0, table);
  cmake = fileread (fullfile (root, "tests", "check_symbol_versions.cmake"));
  limits = regexp (cmake, 'set\(limits GLIBCXX ([0-9.]+) CXXABI ([0-9.]+)\)', "tokens", "once");
  assert (numel (limits), 2);
  too_new = cxx_library_check (table, struct ("GLIBCXX", limits{1}, "CXXABI", limits{2}));
  assert (isempty (too_new), sprintf ("%s ", too_new.symbol));
  % ...and a libstdc++ older than what it needs is caught.
  assert (! isempty (cxx_library_check (table, struct ("GLIBCXX", "3.4.10", "CXXABI", "1.3"))));

  % The libstdc++ this process has loaded, and a path with spaces.
  loaded = loaded_library (fileread ("/proc/self/maps"), "libstdc++.so");
  assert (! isempty (strfind (loaded, "libstdc++.so")) && exist (loaded, "file") == 2, loaded);
  maps = ["7f0000000000-7f0000001000 r--p 00000000 fe:00 11   /usr/lib/libstdc++fs.so\n" ...
          "7f0000001000-7f0000002000 r-xp 00001000 fe:00 12   /opt/MATLAB R2023b/sys/os/glnxa64/libstdc++.so.6.0.28\n" ...
          "7f0000002000-7f0000003000 rw-p 00000000 00:00 0 \n"];
  assert (loaded_library (maps, "libstdc++.so"), "/opt/MATLAB R2023b/sys/os/glnxa64/libstdc++.so.6.0.28");
  assert (loaded_library (maps, "libgfortran.so"), "");
end

function compilers ()
  config = @(name, maker, version) struct ("Name", name, "Manufacturer", maker, "Version", version);
  mingw = @(version) config ("MinGW64 Compiler (C++)", "GNU", version);
  % Those that build quarnel, and a version that cannot be read.
  assert (compiler_problem (mingw ("8.1.0"), "2020a", "windows"), "");
  assert (compiler_problem (config ("g++", "GNU", "13.2.0"), "2024b", "linux"), "");
  assert (compiler_problem (config ("Microsoft Visual C++ 2019", "Microsoft", "16.0"), "2021a", "windows"), "");
  assert (compiler_problem (config ("Xcode Clang++", "Apple", "15.0"), "2023b", "mac"), "");
  assert (compiler_problem (config ("g++", "GNU", ""), "2024b", "linux"), "");
  % MinGW's GCC 6.3 before R2020a: Visual C++ or a newer MATLAB; from
  % R2020a, the add-on again.
  message = compiler_problem (mingw ("6.3.0"), "2019b", "windows");
  assert (! isempty (strfind (message, "MinGW64 Compiler (C++) 6.3.0")), message);
  assert (! isempty (strfind (message, "R2019b use Microsoft Visual C++ 2019")), message);
  message = compiler_problem (mingw ("6.3.0"), "2020b", "windows");
  assert (! isempty (strfind (message, "install the MinGW-w64 add-on again")), message);
  message = compiler_problem (config ("g++", "GNU", "7.5.0"), "2021a", "linux");
  assert (! isempty (strfind (message, "GCC 8 or later")), message);
  message = compiler_problem (config ("Microsoft Visual C++ 2017", "Microsoft", "15.0"), "2019a", "windows");
  assert (! isempty (strfind (message, "Visual C++ 2019 (16.0) or later")), message);
  % None selected: how to get and select one, on each system.
  assert (! isempty (strfind (compiler_problem ([], "2023a", "windows"), "MinGW-w64 add-on")));
  assert (! isempty (strfind (compiler_problem ([], "2023a", "linux"), "mex -setup C++")));
end

function number_headers (folder)
  usr = fullfile (folder, "usr_include");
  deps = fullfile (folder, "deps_include");
  put (fullfile (usr, "fast_float", "fast_float.h"), "");
  put (fullfile (usr, "fmt", "format.h"), "");
  put (fullfile (usr, "fmt", "core.h"), "#define FMT_VERSION 60102\n");
  % {fmt} 6.1.2 alone is too old, and fast_float is found.
  [found, problems] = find_number_headers ({usr});
  assert (found, struct ("fast_float", usr, "fmt", usr));
  assert (problems, struct ("fast_float", "", "fmt", "6.1.2"));
  % A newer {fmt} earlier in the search wins; version 11 names its
  % version in base.h.
  put (fullfile (deps, "fmt", "format.h"), "");
  put (fullfile (deps, "fmt", "base.h"), "#  define FMT_VERSION 110100\n");
  [found, problems] = find_number_headers ({deps, usr});
  assert (found, struct ("fast_float", usr, "fmt", deps));
  assert (problems, struct ("fast_float", "", "fmt", ""));
  [found, problems] = find_number_headers ({deps});
  assert (problems, struct ("fast_float", "missing", "fmt", ""));
end

function advice ()
  % Debian 12 and Ubuntu 24.04 package both; Ubuntu 22.04 (and a Linux
  % Mint built on it) and Debian 11 {fmt} alone; Ubuntu 20.04's {fmt} is
  % too old; elsewhere the downloads.
  ubuntu = @(version, codename) sprintf ("NAME=\"Ubuntu\"\nVERSION_ID=\"%s\"\nID=ubuntu\nID_LIKE=debian\nUBUNTU_CODENAME=%s\n", version, codename);
  both = {"fast_float", "fmt"};
  text = dependency_advice (both, "linux", ubuntu ("24.04", "noble"));
  assert (text, "  sudo apt install libfast-float-dev libfmt-dev\n");
  text = dependency_advice (both, "linux", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\nID=debian\n");
  assert (text, "  sudo apt install libfast-float-dev libfmt-dev\n");
  for release = {ubuntu("22.04", "jammy"), ...
                 "NAME=\"Linux Mint\"\nVERSION_ID=\"21.3\"\nID=linuxmint\nID_LIKE=\"ubuntu debian\"\nUBUNTU_CODENAME=jammy\n", ...
                 "VERSION_ID=\"11\"\nID=debian\n"}
    text = dependency_advice (both, "linux", release{1});
    assert (starts_with (text, "  sudo apt install libfmt-dev\n  fast_float: its release's single header"), text);
  end
  text = dependency_advice ({"fmt"}, "linux", ubuntu ("20.04", "focal"));
  assert (starts_with (text, "  {fmt} 7.1 or later: its release's sources"), text);
  assert (! isempty (strfind (text, "fmt-10.2.1.zip")), text);
  text = dependency_advice (both, "linux", "ID=fedora\nVERSION_ID=40\n");
  assert (starts_with (text, "  your distribution's packages of fast_float and fmt"), text);
  assert (! isempty (strfind (text, "fast_float.h")) && ! isempty (strfind (text, "fmt-10.2.1.zip")), text);
  % Other systems: their package managers, only what is missing.
  assert (dependency_advice ({"fmt"}, "mac", ""), "  Homebrew:  brew install fmt\n");
  text = dependency_advice (both, "msvc", "");
  assert (starts_with (text, "  vcpkg:  vcpkg install fast-float fmt --triplet x64-windows-static-md\n"), text);
  assert (! isempty (strfind (text, "VCPKG_ROOT")), text);
  assert (dependency_advice ({"fast_float"}, "mingw", ""), ...
          "  MSYS2 (in C:\\msys64), in its shell:  pacman -S mingw-w64-x86_64-fast_float\n");
  assert (dependency_advice ({}, "linux", ""), "");
end

function assert_matlab_syntax (file)
  % What MATLAB does not parse, outside strings and comments: Octave's
  % comments, double-quoted strings, ! for not, its end keywords and its
  % operators such as ++ and +=; printf and puts are Octave's alone.
  code = regexprep (fileread (file), '\r', '');
  lines = strsplit (code, "\n");
  for k = 1:numel (lines)
    line = strip_strings_and_comment (lines{k});
    bad = regexp (line, '(#|"|!|\<(endif|endfor|endwhile|endfunction|endswitch|end_try_catch|unwind_protect|end_unwind_protect|printf|puts)\>|\+\+|\+=|-=|\*=|/=)', "match", "once");
    assert (isempty (bad), "%s:%d: '%s' is Octave's, not MATLAB's: %s", file, k, bad, lines{k});
  end
end

function code = strip_strings_and_comment (line)
  % The line without its single-quoted strings and its % comment. A quote
  % right after a name, a number, a closing bracket, a dot or another
  % transpose is a transpose, not a string.
  code = "";
  k = 1;
  while (k <= numel (line))
    c = line(k);
    if (c == "%")
      break;
    elseif (c == "'" && ! (k > 1 && any (line(k - 1) == ["a":"z" "A":"Z" "0":"9" "_)]}.'"])))
      k = k + 1;
      while (k <= numel (line) && ! (line(k) == "'" && ! (k < numel (line) && line(k + 1) == "'")))
        k = k + 1 + (line(k) == "'");
      end
      code = [code "''"];
    else
      code(end + 1) = c;
    end
    k = k + 1;
  end
end

function yes = starts_with (text, prefix)
  yes = strncmp (text, prefix, numel (prefix));
end

function put (name, text)
  if (! exist (fileparts (name), "dir"))
    mkdir (fileparts (name));
  end
  fid = fopen (name, "w");
  fputs (fid, sprintf (text));
  fclose (fid);
end
