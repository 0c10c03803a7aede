function folder = build_quarnel(folder)
%BUILD_QUARNEL  Build the quarnel module from inside Octave or MATLAB.
%
%  folder = build_quarnel()        builds into a mex/ folder beside this file
%  folder = build_quarnel(folder)  builds into FOLDER (created if missing)
%
%  Compiles gateway/quarnel_entry.cpp, the shared host adapters
%  gateway/host_*.cpp, reader/*.cpp and compression/*.cpp into
%  FOLDER/quarnel with the host's own compiler driver (mkoctfile --mex in
%  Octave, mex -R2017b in MATLAB), copies the help text gateway/quarnel.m
%  beside it, and prints and returns FOLDER. Add FOLDER to the path to call
%  quarnel.
%
%  Compressed files are decoded with zlib, libbz2, liblzma and libzstd. In
%  Octave all four are linked; in MATLAB those found under the usual
%  prefixes are, and a file in another format is refused with a message.

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

reader = fullfile(root, 'reader');
gateway = fullfile(root, 'gateway');
compression = fullfile(root, 'compression');
% The entry, the host adapters every entry shares, and the host-free core.
sources = [{fullfile(gateway, 'quarnel_entry.cpp')}, files_in(gateway, 'host_*.cpp'), ...
           files_in(reader, '*.cpp'), files_in(compression, '*.cpp')];
includes = {reader, gateway, compression};

if exist('OCTAVE_VERSION', 'builtin') == 0
  build_in_matlab(folder, includes, sources, found_decoders());
else
  decoders = {'-DQUARNEL_HAVE_ZLIB', '-DQUARNEL_HAVE_BZIP2', '-DQUARNEL_HAVE_LZMA', ...
              '-DQUARNEL_HAVE_ZSTD', '-lz', '-lbz2', '-llzma', '-lzstd'};
  build_in_octave(folder, root, includes, sources, decoders);
end

copyfile(fullfile(root, 'gateway', 'quarnel.m'), fullfile(folder, 'quarnel.m'));
fprintf('quarnel built in %s\n', folder);
end

function paths = files_in(folder, pattern)
listing = dir(fullfile(folder, pattern));
paths = cellfun(@(name) fullfile(folder, name), sort({listing.name}), 'UniformOutput', false);
end

function build_in_octave(folder, root, includes, sources, decoders)
flags = [{'--mex', '-O2', '-std=c++17'}, strcat('-I', includes), decoders, ...
         {'-o', fullfile(folder, 'quarnel.mex')}];
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

function build_in_matlab(folder, includes, sources, decoders)
% -R2017b: 64-bit indices and complex data in separate real and imaginary
% arrays, which the reader's mxGetPr, mxGetIr and mxGetJc calls assume.
% mex exports mexFunction alone on its own.
standard = 'CXXFLAGS=$CXXFLAGS -std=c++17';
if ispc()
  compiler = mex.getCompilerConfigurations('C++', 'Selected');
  if ~isempty(compiler) && ~isempty(strfind(compiler(1).Manufacturer, 'Microsoft'))
    standard = 'COMPFLAGS=$COMPFLAGS /std:c++17';
  end
end
includes = strcat('-I', includes);
mex('-R2017b', standard, includes{:}, decoders{:}, '-outdir', folder, '-output', 'quarnel', ...
    sources{:});
end

function flags = found_decoders()
% The mex flags for each decoding library whose header and library lie
% under one of the prefixes searched: its -D and -l, and -I and -L for a
% prefix the compiler does not search on its own.
libraries = {'gzip', 'QUARNEL_HAVE_ZLIB', 'zlib.h', 'z'; 'bzip2', 'QUARNEL_HAVE_BZIP2', 'bzlib.h', 'bz2';
             'xz', 'QUARNEL_HAVE_LZMA', 'lzma.h', 'lzma'; 'zstd', 'QUARNEL_HAVE_ZSTD', 'zstd.h', 'zstd'};
prefixes = {'/usr', '/usr/local'};
library_folders = {'lib', 'lib64', fullfile('lib', 'x86_64-linux-gnu'), ...
                   fullfile('lib', 'aarch64-linux-gnu')};
files = {'lib%s.so', 'lib%s.dylib', 'lib%s.a', '%s.lib', 'lib%s.lib'};
flags = {};
for k = 1:size(libraries, 1)
  [format, definition, header, name] = libraries{k, :};
  found = {};
  for p = 1:numel(prefixes)
    include = fullfile(prefixes{p}, 'include');
    if ~isempty(found) || exist(fullfile(include, header), 'file') ~= 2
      continue;
    end
    for f = 1:numel(library_folders)
      folder = fullfile(prefixes{p}, library_folders{f});
      for n = 1:numel(files)
        if isempty(found) && exist(fullfile(folder, sprintf(files{n}, name)), 'file') == 2
          found = {['-D' definition], ['-l' name]};
          if ~strcmp(prefixes{p}, '/usr')
            found = [found, {['-I' include], ['-L' folder]}];
          end
        end
      end
    end
  end
  if isempty(found)
    fprintf('build_quarnel: %s not found: %s-compressed files will be refused\n', header, format);
  end
  flags = [flags, found];
end
end
