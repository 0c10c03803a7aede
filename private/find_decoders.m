function [flags, dlls] = find_decoders(prefixes, platform)
%FIND_DECODERS  The mex flags that link the decoding libraries found under PREFIXES.
%
%  [flags, dlls] = find_decoders(prefixes, platform) looks, for each of
%  zlib, libbz2, liblzma and libzstd, for its header under PREFIX/include
%  and its library beside it, and returns its -D flag, an -I flag for a
%  prefix the compiler does not search on its own, and the library: by full
%  path where it is a static archive, so that the module needs nothing
%  beside it. A static archive in any prefix is taken before a shared
%  library in an earlier one. PLATFORM is a struct:
%    kind           'linux', 'mac', 'mingw' or 'msvc'
%    arch           on a Mac, the architecture MATLAB runs as ('x86_64' or
%                   'arm64'); a library not built for it is skipped
%    architectures  on a Mac, a function giving a library file's
%                   architectures as a cell of names (empty: ask lipo)
%  On Linux the libraries are linked by -l, as the system's linker finds
%  them. Where only a DLL is found on Windows, its import library is
%  linked and the DLL's path returned in DLLS, to be copied beside the
%  module. One line is printed for a library left out, skipped, or linked
%  as a shared library or DLL.

libraries = {'gzip', 'QUARNEL_HAVE_ZLIB', 'zlib.h', {'z', 'zlib', 'zlibstatic'}, ...
               {'zlib*.dll', 'libz.dll', 'libz-*.dll'};
             'bzip2', 'QUARNEL_HAVE_BZIP2', 'bzlib.h', {'bz2'}, {'bz2*.dll', 'libbz2*.dll'};
             'xz', 'QUARNEL_HAVE_LZMA', 'lzma.h', {'lzma', 'liblzma'}, {'liblzma*.dll', 'lzma*.dll'};
             'zstd', 'QUARNEL_HAVE_ZSTD', 'zstd.h', {'zstd', 'zstd_static'}, ...
               {'zstd*.dll', 'libzstd*.dll'}};
flags = {};
dlls = {};
for k = 1:size(libraries, 1)
  [format, definition, header, names, dll_patterns] = libraries{k, :};
  if strcmp(platform.kind, 'mac') && any(strcmp(format, {'gzip', 'bzip2'}))
    % In the macOS SDK, built for every architecture.
    flags = [flags, {['-D' definition], ['-l' names{1}]}];
    continue;
  end
  candidates = library_candidates(prefixes, header, names, platform);
  if isempty(candidates)
    fprintf('build_quarnel: %s not found: %s-compressed files will be refused\n', header, format);
    continue;
  end
  % On Linux the first found, as before; elsewhere a static archive first.
  chosen = candidates(1);
  static = find([candidates.static], 1);
  if ~strcmp(platform.kind, 'linux') && ~isempty(static)
    chosen = candidates(static);
  end
  flags = [flags, {['-D' definition]}];
  if ~strcmp(chosen.prefix, '/usr')
    flags{end + 1} = ['-I' fullfile(chosen.prefix, 'include')];
  end
  if strcmp(platform.kind, 'linux') || (strcmp(platform.kind, 'mac') && ~chosen.static)
    flags{end + 1} = ['-l' chosen.name];
    if strcmp(format, 'xz') && strcmp(platform.kind, 'linux')
      flags{end + 1} = '-ldl';  % its threaded decoder is looked up in the loaded library
    end
    if ~strcmp(chosen.prefix, '/usr')
      flags{end + 1} = ['-L' fileparts(chosen.file)];
    end
    if ~chosen.static
      fprintf(['build_quarnel: %s: only the shared library %s was found; the module ' ...
               'needs it at that path on any Mac it is copied to\n'], format, chosen.file);
    end
    continue;
  end
  flags{end + 1} = chosen.file;
  if ~chosen.static
    found = dlls_of(fullfile(chosen.prefix, 'bin'), dll_patterns);
    if isempty(found)
      fprintf(['build_quarnel: %s: only the import library %s was found and no DLL in %s; ' ...
               'the module needs that DLL on the PATH\n'], format, chosen.file, ...
              fullfile(chosen.prefix, 'bin'));
    else
      fprintf('build_quarnel: %s: only a DLL was found; copying %s beside the module\n', ...
              format, strjoin(found, ', '));
    end
    dlls = [dlls, found];
  end
end
end

function candidates = library_candidates(prefixes, header, names, platform)
% Every library file of the given names under a prefix that holds the
% header, in the order searched, each marked static or not; on a Mac those
% built for another architecture are left out.
candidates = struct('prefix', {}, 'file', {}, 'name', {}, 'static', {});
library_folders = {'lib', 'lib64', fullfile('lib', 'x86_64-linux-gnu'), ...
                   fullfile('lib', 'aarch64-linux-gnu')};
switch platform.kind
  case 'msvc'
    forms = {'%s.lib', []};  % static or import library: the file says
  case 'mingw'
    forms = {'lib%s.a', true; 'lib%s.dll.a', false};
  case 'mac'
    forms = {'lib%s.a', true; 'lib%s.dylib', false; 'lib%s.tbd', false};
  otherwise
    forms = {'lib%s.so', false; 'lib%s.a', true};
end
for p = 1:numel(prefixes)
  if exist(fullfile(prefixes{p}, 'include', header), 'file') ~= 2
    continue;
  end
  for f = 1:numel(library_folders)
    for n = 1:numel(names)
      for m = 1:size(forms, 1)
        file = fullfile(prefixes{p}, library_folders{f}, sprintf(forms{m, 1}, names{n}));
        if exist(file, 'file') ~= 2 || ~built_for(file, platform)
          continue;
        end
        static = forms{m, 2};
        if isempty(static)
          static = ~is_import_library(file);
        end
        candidates(end + 1) = struct('prefix', prefixes{p}, 'file', file, 'name', names{n}, ...
                                     'static', static);
      end
    end
  end
end
end

function ok = built_for(file, platform)
% On a Mac, whether FILE holds code for MATLAB's architecture: Homebrew
% under /opt/homebrew is arm64, under /usr/local x86_64, and an Intel
% MATLAB under Rosetta needs the latter. Elsewhere, and when the
% architectures cannot be told, the link decides.
ok = true;
if ~strcmp(platform.kind, 'mac')
  return;
end
if isfield(platform, 'architectures') && ~isempty(platform.architectures)
  architectures = platform.architectures(file);
else
  architectures = lipo_architectures(file);
end
if ~isempty(architectures) && ~any(strcmp(architectures, platform.arch))
  ok = false;
  fprintf('build_quarnel: skipping %s: built for %s, and MATLAB here runs as %s\n', file, ...
          strjoin(architectures, ' '), platform.arch);
end
end

function architectures = lipo_architectures(file)
% lipo -info ends its last line with the file's architectures, after a
% colon, for a universal file and a single-architecture one alike.
architectures = {};
[status, output] = system(sprintf('lipo -info "%s"', file));
if status == 0
  lines = strsplit(strtrim(output), sprintf('\n'));
  colon = strfind(lines{end}, ':');
  if ~isempty(colon)
    architectures = strsplit(strtrim(lines{end}(colon(end) + 1:end)));
  end
end
end

function imports = is_import_library(file)
% True for a Windows import library: the symbol table at the head of the
% archive (its first member, "/") defines __imp_ symbols, which only an
% import library does; a static library defines the functions themselves.
imports = false;
fid = fopen(file, 'r');
if fid < 0
  return;
end
magic = fread(fid, 8, '*char')';
member = fread(fid, 60, '*char')';
if strcmp(magic, sprintf('!<arch>\n')) && numel(member) == 60 && strcmp(strtrim(member(1:16)), '/')
  size = str2double(member(49:58));
  if isfinite(size) && size > 0
    table = fread(fid, size, '*uint8')';
    imports = ~isempty(strfind(char(table), '__imp_'));
  end
end
fclose(fid);
end

function found = dlls_of(folder, patterns)
% The DLLs in FOLDER whose names match one of PATTERNS.
found = {};
for p = 1:numel(patterns)
  listing = dir(fullfile(folder, patterns{p}));
  for d = 1:numel(listing)
    path = fullfile(folder, listing(d).name);
    if ~any(strcmp(found, path))
      found{end + 1} = path;
    end
  end
end
end
