function folder = build_quarnel(folder)
%BUILD_QUARNEL  Build the quarnel module from inside Octave or MATLAB.
%
%  folder = build_quarnel()        builds into a mex/ folder beside this file
%  folder = build_quarnel(folder)  builds into FOLDER (created if missing)
%
%  Compiles gateway/quarnel_entry.cpp, the shared host adapters
%  gateway/host_*.cpp and reader/*.cpp into FOLDER/quarnel
%  with the host's own compiler driver (mkoctfile --mex in Octave,
%  mex -R2017b in MATLAB), copies the help text gateway/quarnel.m beside it,
%  and prints and returns FOLDER. Add FOLDER to the path to call quarnel.

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
% The entry, the host adapters every entry shares, and the host-free core.
sources = [{fullfile(gateway, 'quarnel_entry.cpp')}, ...
           files_in(gateway, 'host_*.cpp'), files_in(reader, '*.cpp')];

if exist('OCTAVE_VERSION', 'builtin') == 0
  build_in_matlab(folder, {reader, gateway}, sources);
else
  build_in_octave(folder, root, {reader, gateway}, sources);
end

copyfile(fullfile(root, 'gateway', 'quarnel.m'), fullfile(folder, 'quarnel.m'));
fprintf('quarnel built in %s\n', folder);
end

function paths = files_in(folder, pattern)
listing = dir(fullfile(folder, pattern));
paths = cellfun(@(name) fullfile(folder, name), sort({listing.name}), 'UniformOutput', false);
end

function build_in_octave(folder, root, includes, sources)
flags = [{'--mex', '-O2', '-std=c++17'}, strcat('-I', includes), ...
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

function build_in_matlab(folder, includes, sources)
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
mex('-R2017b', standard, includes{:}, '-outdir', folder, '-output', 'quarnel', ...
    sources{:});
end
