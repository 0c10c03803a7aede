function test_library_search ()
  % build_quarnel's choices for MATLAB, on made-up prefixes: static
  % libraries first and by full path, DLLs copied where there is nothing
  % else, a Mac's libraries of another architecture skipped, and the mex
  % API option of each release.
  root = fileparts (fileparts (fileparts (mfilename ("fullpath"))));
  folder = tempname ();
  helpers = fullfile (folder, "helpers");
  mkdir (helpers);
  confirm_recursive_rmdir (false, "local");
  unwind_protect
    % The private helpers, made callable here.
    copyfile (fullfile (root, "private", "*.m"), helpers);
    addpath (helpers);

    releases = {"2016b", "-largeArrayDims", false; "2017b", "-largeArrayDims", true;
                "2018a", "-R2017b", true; "2024b", "-R2017b", true};
    for r = 1:rows (releases)
      [option, supported] = mex_api_option (releases{r, 1});
      assert ({option, supported}, releases(r, 2:3), releases{r, 1});
    end

    % MSVC: a static .lib in a later prefix before an import library in an
    % earlier one; an import library alone brings its DLL.
    dlls = fullfile (folder, "dlls");
    static = fullfile (folder, "static");
    make_files (dlls, {"include/zlib.h", "include/lzma.h", "bin/zlib1.dll", "bin/liblzma.dll"});
    put (fullfile (dlls, "lib", "zlib.lib"), archive ({"__imp_inflate", "inflate"}));
    put (fullfile (dlls, "lib", "lzma.lib"), archive ({"__imp_lzma_code"}));
    make_files (static, {"include/zlib.h"});
    put (fullfile (static, "lib", "zlib.lib"), archive ({"inflate", "deflate"}));
    [printed, flags, copied] = search ({dlls, static}, struct ("kind", "msvc"));
    assert (flags, {"-DQUARNEL_HAVE_ZLIB", ["-I" static "/include"], [static "/lib/zlib.lib"], ...
                    "-DQUARNEL_HAVE_LZMA", ["-I" dlls "/include"], [dlls "/lib/lzma.lib"]});
    assert (copied, {[dlls "/bin/liblzma.dll"]});
    assert (printed, ["build_quarnel: bzlib.h not found: bzip2-compressed files will be refused\n" ...
                      "build_quarnel: xz: only a DLL was found; copying " dlls "/bin/liblzma.dll beside the module\n" ...
                      "build_quarnel: zstd.h not found: zstd-compressed files will be refused\n"]);

    % MinGW: libzstd.a, never libzstd.dll.a beside it, which GNU ld would
    % take for -lzstd.
    msys = fullfile (folder, "msys");
    make_files (msys, {"include/zstd.h", "lib/libzstd.a", "lib/libzstd.dll.a", "bin/libzstd.dll", ...
                       "include/bzlib.h", "lib/libbz2.dll.a", "bin/libbz2-1.dll"});
    [~, flags, copied] = search ({msys}, struct ("kind", "mingw"));
    assert (flags, {"-DQUARNEL_HAVE_BZIP2", ["-I" msys "/include"], [msys "/lib/libbz2.dll.a"], ...
                                 "-DQUARNEL_HAVE_ZSTD", ["-I" msys "/include"], [msys "/lib/libzstd.a"]});
    assert (copied, {[msys "/bin/libbz2-1.dll"]});

    % An Intel MATLAB on Apple silicon: Homebrew's arm64 prefix is skipped
    % for the x86_64 one; a universal shared library is linked by -l.
    arm = fullfile (folder, "opt_homebrew");
    intel = fullfile (folder, "usr_local");
    make_files (arm, {"include/zstd.h", "lib/libzstd.a", "include/lzma.h", "lib/liblzma.dylib"});
    make_files (intel, {"include/zstd.h", "lib/libzstd.dylib", "lib/libzstd.a"});
    write_bytes (fullfile (arm, "lib", "libzstd.a"), "arm64");
    write_bytes (fullfile (arm, "lib", "liblzma.dylib"), "x86_64 arm64");
    write_bytes (fullfile (intel, "lib", "libzstd.a"), "x86_64");
    write_bytes (fullfile (intel, "lib", "libzstd.dylib"), "x86_64");
    mac = struct ("kind", "mac", "arch", "x86_64", ...
                  "architectures", @(file) strsplit (strtrim (fileread (file))));
    [printed, flags, copied] = search ({arm, intel}, mac);
    assert (flags, {"-DQUARNEL_HAVE_ZLIB", "-lz", "-DQUARNEL_HAVE_BZIP2", "-lbz2", ...
                    "-DQUARNEL_HAVE_LZMA", ["-I" arm "/include"], "-llzma", ["-L" arm "/lib"], ...
                    "-DQUARNEL_HAVE_ZSTD", ["-I" intel "/include"], [intel "/lib/libzstd.a"]});
    assert (copied, {});
    assert (! isempty (strfind (printed, ["skipping " arm "/lib/libzstd.a: built for arm64, and MATLAB here runs as x86_64"])));
    assert (! isempty (strfind (printed, ["xz: only the shared library " arm "/lib/liblzma.dylib was found"])));

    % Linux: -l and -L, as the system's linker finds the library; liblzma
    % with the dynamic loader, which finds its threaded decoder.
    linux = fullfile (folder, "linux");
    make_files (linux, {"include/zlib.h", "lib/x86_64-linux-gnu/libz.so", "lib/x86_64-linux-gnu/libz.a", ...
                        "include/lzma.h", "lib/x86_64-linux-gnu/liblzma.so"});
    [~, flags] = search ({linux}, struct ("kind", "linux"));
    libraries = ["-L" linux "/lib/x86_64-linux-gnu"];
    assert (flags, {"-DQUARNEL_HAVE_ZLIB", ["-I" linux "/include"], "-lz", libraries, ...
                    "-DQUARNEL_HAVE_LZMA", ["-I" linux "/include"], "-llzma", "-ldl", libraries});
  unwind_protect_cleanup
    rmpath (helpers);
    rmdir (folder, "s");
  end_unwind_protect
end

function [printed, flags, dlls] = search (prefixes, platform)
  printed = evalc ("[flags, dlls] = find_decoders (prefixes, platform);");
end

function make_files (prefix, names)
  for n = 1:numel (names)
    put (fullfile (prefix, names{n}), "");
  end
end

function put (name, bytes)
  if (! exist (fileparts (name), "dir"))
    mkdir (fileparts (name));
  end
  write_bytes (name, bytes);
end

% An ar archive whose first member, the linker's symbol table, names
% `symbols`, as a Windows .lib begins.
function bytes = archive (symbols)
  names = sprintf ("%s\0", symbols{:});
  table = [0 0 0 numel(symbols), zeros(1, 4 * numel (symbols)), double(names)];
  header = sprintf ("%-16s%-12s%-6s%-6s%-8s%-10d`\n", "/", "0", "0", "0", "0", numel (table));
  bytes = uint8 ([double(sprintf ("!<arch>\n")), double(header), table]);
end
