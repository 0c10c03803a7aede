function folder = build_quarnel(folder)
%BUILD_QUARNEL  Build the quarnel, quarnel_write and quarnel_info modules from inside Octave or MATLAB.
%
%  folder = build_quarnel()        builds into a mex/ folder beside this file
%  folder = build_quarnel(folder)  builds into FOLDER (created if missing)
%
%  Compiles each entry, gateway/quarnel_entry.cpp,
%  gateway/quarnel_write_entry.cpp and gateway/quarnel_info_entry.cpp, with
%  the shared host adapters gateway/host_*.cpp, the call's options
%  gateway/call_options.cpp and the cores (the .cpp files of io/,
%  compression/, numbers/, platform/, reader/ and its stage folders, and
%  writer/) into FOLDER/quarnel,
%  FOLDER/quarnel_write and FOLDER/quarnel_info with the host's own
%  compiler driver (mkoctfile --mex in Octave, which compiles the shared
%  sources once for all three; mex -R2017b in MATLAB). In Octave it also
%  builds Octave's own entry, gateway/quarnel_oct_entry.cpp with the Octave
%  adapters gateway/octave_*.cpp (one translation unit,
%  gateway/quarnel_oct_module.cpp), into FOLDER/quarnel.oct, which Octave
%  runs in place of quarnel.mex: its outputs are not copied when the call
%  returns. It copies the help texts gateway/quarnel.m,
%  gateway/quarnel_write.m and gateway/quarnel_info.m, the check
%  gateway/quarnel_selftest.m and the datastore
%  datastore/quarnelDatastore.m beside them, and prints and returns
%  FOLDER. Add FOLDER to the path, then run quarnel_selftest to check the
%  build.
%
%  MATLAB R2017b or later, with a compiler of C++17 with <charconv> and
%  <optional>: GCC 8 or later (on Windows MinGW-w64 8.1, which MATLAB
%  supports from R2020a), Microsoft Visual C++ 2019 or later, or Xcode's
%  Clang. The compiler mex -setup C++ selected is checked first, and a
%  message says what to do when it cannot build quarnel. R2017b builds
%  with mex -largeArrayDims, later releases with mex -R2017b (an older
%  release is warned of, then tried).
%
%  Compressed files are read and written with zlib, libbz2, liblzma and libzstd. In
%  Octave all four are linked; in MATLAB those found under the usual
%  prefixes are, and a file in another format is refused with a message.
%  Numbers are converted with the header-only libraries fast_float and
%  {fmt} (7.1 or later), searched for under the same prefixes and the
%  folders in CPATH and CPLUS_INCLUDE_PATH (INCLUDE with MSVC); where
%  either is missing or too old, the build stops before compiling with the
%  command or download that gets it on this system. The prefixes searched:
%  those in the environment variable QUARNEL_DEPS (separated as in PATH),
%  then Homebrew's on macOS, vcpkg's ($VCPKG_ROOT) with MSVC or MSYS2's
%  with MinGW on Windows, /usr and /usr/local on Linux. On Windows and
%  macOS a static library (.a, or a static .lib) is linked by its full
%  path before a shared one, so that the module needs no library beside
%  it; where only a DLL is found, it is copied beside the module, and a
%  line says so. On macOS a library not built for MATLAB's architecture
%  (computer('arch')) is skipped: under Rosetta, Homebrew's arm64 prefix
%  /opt/homebrew gives way to its Intel one, /usr/local.
%
%  On Linux, MATLAB loads its own libstdc++, often older than the
%  system's. After building, the GLIBCXX and CXXABI symbol versions each
%  module needs (objdump -T) are compared with those of the libstdc++
%  this MATLAB has loaded; where a module needs newer ones, which MATLAB
%  would refuse with "Invalid MEX-file", all are linked again with the
%  C++ library inside them (-static-libstdc++ -static-libgcc) and checked
%  again, and the build stops with what to do if that does not help.

root = fileparts(mfilename('fullpath'));
if nargin < 1 || isempty(folder)
  folder = fullfile(root, 'mex');
end
if ~exist(folder, 'dir')
  [made, message] = mkdir(folder);
  if ~made
    error('build_quarnel: cannot create %s: %s', folder, message);
  end
end

gateway = fullfile(root, 'gateway');
% Every source includes the project's headers by their path from the root.
includes = {root};
% The host adapters every entry shares, the options of a call, and the
% host-free cores, folder by folder.
core_folders = {'io', 'compression', 'numbers', 'platform', 'reader', ...
                fullfile('reader', 'text'), fullfile('reader', 'syntax'), ...
                fullfile('reader', 'sizing'), fullfile('reader', 'fill'), 'writer'};
shared = [files_in(gateway, 'host_*.cpp'), files_in(gateway, 'call_options.cpp')];
for k = 1:numel(core_folders)
  shared = [shared, files_in(fullfile(root, core_folders{k}), '*.cpp')];
end

in_matlab = exist('OCTAVE_VERSION', 'builtin') == 0;
if in_matlab
  compiler = mex.getCompilerConfigurations('C++', 'Selected');
  problem = compiler_problem(compiler, version('-release'), system_name());
  if ~isempty(problem)
    error('build_quarnel:compiler', 'build_quarnel: %s', problem);
  end
  % The libraries are searched for once, for every function.
  [flags, dlls] = matlab_flags(compiler);
else
  codecs = {'-DQUARNEL_HAVE_ZLIB', '-DQUARNEL_HAVE_BZIP2', '-DQUARNEL_HAVE_LZMA', ...
            '-DQUARNEL_HAVE_ZSTD', '-lz', '-lbz2', '-llzma', '-lzstd'};
  kind = 'linux';
  if ismac()
    kind = 'mac';
  elseif ispc()
    kind = 'mingw';
  else
    codecs{end + 1} = '-ldl';  % liblzma's threaded decoder is looked up in the loaded library
  end
  flags = [codecs, number_headers(dependency_prefixes(false), kind)];
end

functions = {'quarnel', 'quarnel_write', 'quarnel_info'};
if in_matlab
  build_all_in_matlab(folder, functions, gateway, includes, shared, flags);
  if isunix() && ~ismac()
    match_matlab_cxx_library(folder, functions, gateway, includes, shared, flags, compiler);
  end
  % The DLLs of libraries found only as DLLs, where Windows looks first.
  for d = 1:numel(dlls)
    copyfile(dlls{d}, folder);
  end
else
  % In Octave the shared sources are compiled once, for every function.
  objects = tempname();
  mkdir(objects);
  cleanup = onCleanup(@() confirm_and_remove(objects));
  shared = compile_in_octave(objects, includes, shared, flags);
  for k = 1:numel(functions)
    name = functions{k};
    sources = [{fullfile(gateway, [name '_entry.cpp'])}, shared];
    build_in_octave(folder, name, root, includes, sources, flags);
  end
  build_oct_entry(folder, root, includes, shared, flags);
end
for k = 1:numel(functions)
  copyfile(fullfile(gateway, [functions{k} '.m']), fullfile(folder, [functions{k} '.m']));
end
copyfile(fullfile(gateway, 'quarnel_selftest.m'), fullfile(folder, 'quarnel_selftest.m'));
copyfile(fullfile(root, 'datastore', 'quarnelDatastore.m'), fullfile(folder, 'quarnelDatastore.m'));
fprintf('quarnel, quarnel_write and quarnel_info built in %s; check them with quarnel_selftest\n', folder);
end

function name = system_name()
name = 'linux';
if ispc()
  name = 'windows';
elseif ismac()
  name = 'mac';
end
end

function build_all_in_matlab(folder, functions, gateway, includes, shared, flags)
for k = 1:numel(functions)
  sources = [{fullfile(gateway, [functions{k} '_entry.cpp'])}, shared];
  build_in_matlab(folder, functions{k}, includes, sources, flags);
end
end

function match_matlab_cxx_library(folder, functions, gateway, includes, shared, flags, compiler)
% Links the C++ library into the modules where they need a newer one than
% the libstdc++ this MATLAB has loaded, and stops with what to do where
% that does not help. -static-libstdc++ covers the library g++ adds on
% its own; mex's own list of libraries may name -lstdc++ as well, so the
% static archive is also given by its full path, among the objects, which
% the linker searches first.
[library, limits] = matlab_cxx_library();
modules = cellfun(@(name) fullfile(folder, [name '.' mexext()]), functions, 'UniformOutput', false);
[too_new, checked] = modules_beyond(modules, limits);
if ~checked || isempty(too_new)
  return;
end
fprintf(['build_quarnel: %s needs %s, newer than MATLAB''s C++ library (%s, up to %s): ' ...
         'linking the C++ library into the modules\n'], too_new(1).module, ...
        too_new(1).version, library, too_new(1).limit);
static_flags = [flags, {'LDFLAGS=$LDFLAGS -static-libstdc++ -static-libgcc'}];
archive = static_cxx_library(compiler);
if ~isempty(archive)
  shared = [shared, {archive}];
end
build_all_in_matlab(folder, functions, gateway, includes, shared, static_flags);
too_new = modules_beyond(modules, limits);
if isempty(too_new)
  return;
end
lines = arrayfun(@(entry) sprintf('  %s: %s needs %s\n', entry.module, entry.symbol, entry.version), ...
                 too_new, 'UniformOutput', false);
error('build_quarnel:cxx_library', ['build_quarnel: even with the C++ library linked in, ' ...
      'the modules need a newer one than MATLAB''s (%s, up to %s), and MATLAB would refuse ' ...
      'them with "Invalid MEX-file":\n%s' ...
      'Install the static C++ library of your g++ (libstdc++.a; on Debian and Ubuntu in ' ...
      'libstdc++-N-dev, N the version of g++), or build with the GCC version MathWorks lists ' ...
      'for this release (Supported and Compatible Compilers), selected with mex -setup C++.'], ...
      library, too_new(1).limit, [lines{:}]);
end

function [library, limits] = matlab_cxx_library()
% The libstdc++ this MATLAB process has loaded, as /proc/self/maps names
% it, else the one MATLAB ships, and the newest symbol versions it has.
% Where neither can be read, the limits the test build holds the modules
% to: GCC 8's, GLIBCXX_3.4.25 and CXXABI_1.3.11.
library = '';
if exist('/proc/self/maps', 'file')
  library = loaded_library(fileread('/proc/self/maps'), 'libstdc++.so');
end
shipped = fullfile(matlabroot(), 'sys', 'os', 'glnxa64', 'libstdc++.so.6');
if isempty(library) && exist(shipped, 'file')
  library = shipped;
end
limits = [];
if ~isempty(library)
  [status, table] = system(objdump_command(library));
  if status == 0
    [~, limits] = cxx_library_check('', table);
  end
end
if isempty(limits)
  limits = struct('GLIBCXX', '3.4.25', 'CXXABI', '1.3.11');
  library = 'taken as GCC 8''s';
end
end

function [too_new, checked] = modules_beyond(modules, limits)
% The symbols of MODULES at versions beyond LIMITS, each with its module;
% CHECKED is false, with a line saying so, where objdump cannot be run.
too_new = struct('module', {}, 'symbol', {}, 'version', {}, 'limit', {});
checked = true;
for m = 1:numel(modules)
  [status, table] = system(objdump_command(modules{m}));
  if status ~= 0
    fprintf(['build_quarnel: cannot run objdump (binutils) on %s to compare its C++ library ' ...
             'needs with MATLAB''s; if MATLAB refuses it with "Invalid MEX-file", see the ' ...
             'README''s section for MATLAB users\n'], modules{m});
    checked = false;
    return;
  end
  [~, module_name, extension] = fileparts(modules{m});
  found = cxx_library_check(table, limits);
  for k = 1:numel(found)
    too_new(end + 1) = struct('module', [module_name extension], 'symbol', found(k).symbol, ...
                              'version', found(k).version, 'limit', found(k).limit);
  end
end
end

function command = objdump_command(file)
% objdump -T on FILE, run without the library path MATLAB sets for its
% own processes, whose libraries the system's objdump was not built with.
command = sprintf('env -u LD_LIBRARY_PATH objdump -T "%s"', file);
end

function archive = static_cxx_library(compiler)
% The full path of the selected g++'s libstdc++.a, or '' where it has none.
executable = 'g++';
try
  named = char(compiler.Details.CompilerExecutable);
  if ~isempty(named) && isempty(strfind(named, '$'))
    executable = named;
  end
catch
end
archive = '';
[status, output] = system(sprintf('"%s" -print-file-name=libstdc++.a', executable));
output = strtrim(output);
% Without the archive, g++ prints the bare name back.
if status == 0 && ~isempty(output) && output(1) == '/' && exist(output, 'file')
  archive = output;
end
end

function paths = files_in(folder, pattern)
listing = dir(fullfile(folder, pattern));
paths = cellfun(@(name) fullfile(folder, name), sort({listing.name}), 'UniformOutput', false);
end

function objects = compile_in_octave(folder, includes, sources, flags)
% Compiles each source into FOLDER; returns the object files.
objects = cell(size(sources));
include_flags = strcat('-I', includes);
for k = 1:numel(sources)
  [~, base] = fileparts(sources{k});
  objects{k} = fullfile(folder, [base '.o']);
  % Its output taken, so that a compile prints nothing.
  output = run_mkoctfile('--mex', '-O2', '-std=c++17', include_flags{:}, flags{:}, ...
                         '-c', sources{k}, '-o', objects{k});  %#ok<NASGU>
end
end

function output = run_mkoctfile(varargin)
% Runs mkoctfile with these arguments and stops with its output when it
% fails. Asked for no output, it shows what mkoctfile printed (warnings).
[output, status] = mkoctfile(varargin{:});
if status ~= 0
  error('build_quarnel: mkoctfile failed:\n%s', output);
end
if nargout == 0 && ~isempty(output)
  disp(output);
end
end

function confirm_and_remove(folder)
confirm_recursive_rmdir(false, 'local');
if exist(folder, 'dir')
  rmdir(folder, 's');
end
end

function build_in_octave(folder, name, root, includes, sources, codecs)
flags = [{'--mex', '-O2', '-std=c++17'}, strcat('-I', includes), codecs, ...
         {'-o', fullfile(folder, [name '.mex'])}];
% GNU and LLVM linkers on Linux and the BSDs take a version script, which
% keeps every symbol but mexFunction out of the module's dynamic table.
if isunix() && ~ismac()
  flags{end + 1} = ['-Wl,--version-script=' fullfile(root, 'gateway', 'exports.map')];
end
run_mkoctfile(flags{:}, sources{:});
end

function build_oct_entry(folder, root, includes, shared, flags)
% quarnel.oct, Octave's own entry, beside quarnel.mex: Octave runs it in
% its place. Its own sources in one translation unit,
% gateway/quarnel_oct_module.cpp, with the shared objects but the MEX
% adapters (all of gateway/host_*.cpp but host_interrupt.cpp, whose Octave
% branch it shares).
gateway = fullfile(root, 'gateway');
[~, names] = cellfun(@fileparts, shared, 'UniformOutput', false);
mex_only = strncmp(names, 'host_', 5) & ~strcmp(names, 'host_interrupt');
sources = [{fullfile(gateway, 'quarnel_oct_module.cpp')}, shared(~mex_only)];
options = [{'-O2', '-std=c++17'}, strcat('-I', includes), flags, ...
           {'-o', fullfile(folder, 'quarnel.oct')}];
% The installer Octave calls, Gquarnel, is the one export.
if isunix() && ~ismac()
  options{end + 1} = ['-Wl,--version-script=' fullfile(gateway, 'oct_exports.map')];
end
run_mkoctfile(options{:}, sources{:});
end

function build_in_matlab(folder, name, includes, sources, flags)
% 64-bit indices and complex data in separate real and imaginary arrays,
% which the gateway's mxGetPr, mxGetIr and mxGetJc calls assume: -R2017b,
% or -largeArrayDims in a release whose mex does not know -R2017b yet.
% mex exports mexFunction alone on its own.
[api, supported] = mex_api_option(version('-release'));
if ~supported
  warning('build_quarnel:release', ['build_quarnel: quarnel needs MATLAB R2017b or ' ...
          'later; this is R%s: trying anyway'], version('-release'));
end
includes = strcat('-I', includes);
mex(api, flags{:}, includes{:}, '-outdir', folder, '-output', name, sources{:});
end

function [flags, dlls] = matlab_flags(compiler)
% The C++17 flag of the selected compiler, then the -I, -D and library
% flags of fast_float, {fmt} and the decoding libraries found, and the DLLs
% to copy beside the module. MSVC takes /utf-8 as well, without which
% {fmt} 10 and later stop ("Unicode support requires compiling with /utf-8").
standard = 'CXXFLAGS=$CXXFLAGS -std=c++17';
msvc = false;
platform = struct('kind', 'linux', 'arch', '', 'architectures', []);
if ispc()
  msvc = ~isempty(compiler) && ~isempty(strfind(compiler(1).Manufacturer, 'Microsoft'));
  platform.kind = 'mingw';
  if msvc
    standard = 'COMPFLAGS=$COMPFLAGS /std:c++17 /utf-8';
    platform.kind = 'msvc';
  end
elseif ismac()
  platform.kind = 'mac';
  platform.arch = 'x86_64';
  if strcmp(computer('arch'), 'maca64')
    platform.arch = 'arm64';
  end
end
prefixes = dependency_prefixes(msvc);
[decoders, dlls] = find_decoders(prefixes, platform);
% libut: the interrupt check a read makes every 50 ms (utIsInterruptPending).
flags = [{standard}, number_headers(prefixes, platform.kind), decoders, {'-lut'}];
end

function prefixes = dependency_prefixes(msvc)
% Where libraries usually live, in the order searched: the folders named by
% the environment variable QUARNEL_DEPS (separated as in PATH), then
% Homebrew's on macOS, vcpkg's (for MSVC) or MSYS2's (for MinGW) on
% Windows, the system's on Linux.
prefixes = path_list('QUARNEL_DEPS');
if ismac()
  prefixes = [prefixes, {'/opt/homebrew', '/usr/local'}];
elseif ispc() && msvc
  vcpkg = getenv('VCPKG_ROOT');
  if ~isempty(vcpkg)
    prefixes = [prefixes, {fullfile(vcpkg, 'installed', 'x64-windows-static-md'), ...
                           fullfile(vcpkg, 'installed', 'x64-windows-static'), ...
                           fullfile(vcpkg, 'installed', 'x64-windows')}];
  end
elseif ispc()
  prefixes = [prefixes, {'C:\msys64\mingw64', 'C:\msys64\ucrt64'}];
else
  prefixes = [prefixes, {'/usr', '/usr/local'}];
end
prefixes = prefixes(~cellfun(@isempty, prefixes));
end

function flags = number_headers(prefixes, kind)
% The -I flags of the number conversions' header-only libraries, fast_float
% and {fmt}, for the folders that hold them: PREFIX/include of each prefix,
% then those the compiler searches on its own by the environment (CPATH
% and CPLUS_INCLUDE_PATH; INCLUDE with MSVC), which need no flag, nor does
% /usr/include. Stops, before anything is compiled, with the command or
% download that gets a library missing or too old on this system (KIND:
% 'linux', 'mac', 'msvc' or 'mingw').
folders = cellfun(@(prefix) fullfile(prefix, 'include'), prefixes, 'UniformOutput', false);
searched = [path_list('CPATH'), path_list('CPLUS_INCLUDE_PATH')];
if strcmp(kind, 'msvc')
  searched = [searched, path_list('INCLUDE')];
end
where = ['its headers are in none of ' strjoin([folders, searched], ', ')];
if isempty([folders, searched])
  where = 'no folder to look in: QUARNEL_DEPS names none (nor VCPKG_ROOT with MSVC)';
end
[found, problems] = find_number_headers([folders, searched]);
missing = {};
lines = '';
names = {'fast_float', 'fmt'};
shown = {'fast_float', '{fmt}'};
for n = 1:numel(names)
  problem = problems.(names{n});
  if strcmp(problem, 'missing')
    lines = [lines sprintf('  %s: %s\n', shown{n}, where)];
    missing{end + 1} = names{n};
  elseif ~isempty(problem)
    lines = [lines sprintf('  {fmt} %s (in %s) is older than the 7.1 quarnel needs\n', problem, found.fmt)];
    missing{end + 1} = names{n};
  end
end
if ~isempty(missing)
  os_release = '';
  if strcmp(kind, 'linux') && exist('/etc/os-release', 'file')
    os_release = fileread('/etc/os-release');
  end
  error('build_quarnel:dependencies', 'build_quarnel: the number conversions need:\n%sGet them with\n%s', ...
        lines, dependency_advice(missing, kind, os_release));
end
flags = {};
for n = 1:numel(names)
  folder = found.(names{n});
  if ~strcmp(folder, fullfile('/usr', 'include')) && ~any(strcmp(searched, folder)) && ...
     ~any(strcmp(flags, ['-I' folder]))
    flags{end + 1} = ['-I' folder];
  end
end
end

function folders = path_list(variable)
% The folders an environment variable names, separated as in PATH.
folders = {};
value = getenv(variable);
if ~isempty(value)
  folders = strsplit(value, pathsep);
  folders = folders(~cellfun(@isempty, folders));
end
end
