function folder = build_quarnel(folder)
%BUILD_QUARNEL  Build the quarnel and quarnel_write modules from inside Octave or MATLAB.
%
%  folder = build_quarnel()        builds into a mex/ folder beside this file
%  folder = build_quarnel(folder)  builds into FOLDER (created if missing)
%
%  Compiles each entry, gateway/quarnel_entry.cpp and
%  gateway/quarnel_write_entry.cpp, with the shared host adapters
%  gateway/host_*.cpp, the call's options gateway/call_options.cpp and the
%  cores io/*.cpp, reader/*.cpp, writer/*.cpp and compression/*.cpp into
%  FOLDER/quarnel and FOLDER/quarnel_write with the host's own compiler
%  driver (mkoctfile --mex in Octave, which compiles the shared sources
%  once for both; mex -R2017b in MATLAB), copies the help texts
%  gateway/quarnel.m and gateway/quarnel_write.m beside them, and prints
%  and returns FOLDER. Add FOLDER to the path to call both.
%
%  MATLAB R2017b or later: R2017b builds with mex -largeArrayDims, later
%  releases with mex -R2017b (an older release is warned of, then tried).
%
%  Compressed files are read and written with zlib, libbz2, liblzma and libzstd. In
%  Octave all four are linked; in MATLAB those found under the usual
%  prefixes are, and a file in another format is refused with a message.
%  Numbers are converted with the header-only libraries fast_float and
%  {fmt}, searched for under the same prefixes; without their headers the
%  compiler stops with a message naming the packages. The prefixes searched:
%  those in the environment variable QUARNEL_DEPS (separated as in PATH),
%  then Homebrew's on macOS, vcpkg's ($VCPKG_ROOT) with MSVC or MSYS2's
%  with MinGW on Windows, /usr and /usr/local on Linux. On Windows and
%  macOS a static library (.a, or a static .lib) is linked by its full
%  path before a shared one, so that the module needs no library beside
%  it; where only a DLL is found, it is copied beside the module, and a
%  line says so. On macOS a library not built for MATLAB's architecture
%  (computer('arch')) is skipped: under Rosetta, Homebrew's arm64 prefix
%  /opt/homebrew gives way to its Intel one, /usr/local.

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

io = fullfile(root, 'io');
reader = fullfile(root, 'reader');
writer = fullfile(root, 'writer');
gateway = fullfile(root, 'gateway');
compression = fullfile(root, 'compression');
includes = {io, reader, writer, gateway, compression};
% The host adapters every entry shares, the options of a call, and the
% host-free cores.
shared = [files_in(gateway, 'host_*.cpp'), files_in(gateway, 'call_options.cpp'), ...
          files_in(io, '*.cpp'), files_in(reader, '*.cpp'), files_in(writer, '*.cpp'), ...
          files_in(compression, '*.cpp')];

in_matlab = exist('OCTAVE_VERSION', 'builtin') == 0;
if in_matlab
  % The libraries are searched for once, for both functions.
  [flags, dlls] = matlab_flags();
else
  codecs = {'-DQUARNEL_HAVE_ZLIB', '-DQUARNEL_HAVE_BZIP2', '-DQUARNEL_HAVE_LZMA', ...
            '-DQUARNEL_HAVE_ZSTD', '-lz', '-lbz2', '-llzma', '-lzstd'};
  flags = [codecs, number_headers(dependency_prefixes(false))];
end

functions = {'quarnel', 'quarnel_write'};
if ~in_matlab
  % In Octave the shared sources are compiled once, for both functions.
  objects = tempname();
  mkdir(objects);
  cleanup = onCleanup(@() confirm_and_remove(objects));
  shared = compile_in_octave(objects, includes, shared, flags);
end
for k = 1:numel(functions)
  name = functions{k};
  sources = [{fullfile(gateway, [name '_entry.cpp'])}, shared];
  if in_matlab
    build_in_matlab(folder, name, includes, sources, flags);
  else
    build_in_octave(folder, name, root, includes, sources, flags);
  end
  copyfile(fullfile(gateway, [name '.m']), fullfile(folder, [name '.m']));
end
if in_matlab
  % The DLLs of libraries found only as DLLs, where Windows looks first.
  for d = 1:numel(dlls)
    copyfile(dlls{d}, folder);
  end
end
fprintf('quarnel and quarnel_write built in %s\n', folder);
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
  [output, status] = mkoctfile('--mex', '-O2', '-std=c++17', include_flags{:}, flags{:}, ...
                               '-c', sources{k}, '-o', objects{k});
  if status ~= 0
    error('build_quarnel: mkoctfile failed:\n%s', output);
  end
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
[output, status] = mkoctfile(flags{:}, sources{:});
if status ~= 0
  error('build_quarnel: mkoctfile failed:\n%s', output);
end
if ~isempty(output)
  disp(output);
end
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

function [flags, dlls] = matlab_flags()
% The C++17 flag of the selected compiler, then the -I, -D and library
% flags of fast_float, {fmt} and the decoding libraries found, and the DLLs
% to copy beside the module.
standard = 'CXXFLAGS=$CXXFLAGS -std=c++17';
msvc = false;
platform = struct('kind', 'linux', 'arch', '', 'architectures', []);
if ispc()
  compiler = mex.getCompilerConfigurations('C++', 'Selected');
  msvc = ~isempty(compiler) && ~isempty(strfind(compiler(1).Manufacturer, 'Microsoft'));
  platform.kind = 'mingw';
  if msvc
    standard = 'COMPFLAGS=$COMPFLAGS /std:c++17';
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
flags = [{standard}, number_headers(prefixes), decoders];
end

function prefixes = dependency_prefixes(msvc)
% Where libraries usually live, in the order searched: the folders named by
% the environment variable QUARNEL_DEPS (separated as in PATH), then
% Homebrew's on macOS, vcpkg's (for MSVC) or MSYS2's (for MinGW) on
% Windows, the system's on Linux.
prefixes = {};
named = getenv('QUARNEL_DEPS');
if ~isempty(named)
  prefixes = strsplit(named, pathsep);
end
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

function flag = include_flag(prefix)
% -I for a prefix the compiler does not search on its own.
flag = {};
if ~strcmp(prefix, '/usr')
  flag = {['-I' fullfile(prefix, 'include')]};
end
end

function flags = number_headers(prefixes)
% The -I flags of the number conversions' header-only libraries, fast_float
% and {fmt}, for the prefixes that hold them. One found in no prefix is left
% to the compiler's own search path, and the source names the packages
% when it is not there either.
headers = {fullfile('fast_float', 'fast_float.h'), fullfile('fmt', 'format.h')};
flags = {};
for h = 1:numel(headers)
  for p = 1:numel(prefixes)
    if exist(fullfile(prefixes{p}, 'include', headers{h}), 'file') == 2
      flag = include_flag(prefixes{p});
      if ~isempty(flag) && ~any(strcmp(flags, flag{1}))
        flags = [flags, flag];
      end
      break;
    end
  end
end
end
