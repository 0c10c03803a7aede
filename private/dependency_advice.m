function advice = dependency_advice(missing, kind, os_release)
%DEPENDENCY_ADVICE  How to get fast_float's and {fmt}'s headers on this system.
%
%  advice = dependency_advice(missing, kind, os_release) returns lines of
%  text, each ending in a newline, that say how to get the libraries named
%  in MISSING ('fast_float', 'fmt' or both) on a system of KIND: 'linux',
%  'mac', 'msvc' (Windows with Microsoft Visual C++ and vcpkg) or 'mingw'
%  (Windows with MinGW-w64 and MSYS2). On Linux, OS_RELEASE is the text
%  of /etc/os-release: Debian 12 and Ubuntu 24.04 package both libraries;
%  Ubuntu 22.04 and Debian 11 package {fmt} but not fast_float; Ubuntu
%  20.04's {fmt} (6.1) is older than the 7.1 quarnel needs. A library no
%  package has comes as a download of headers, used as they are.

advice = '';
if isempty(missing)
  return;
end
switch kind
  case 'mac'
    packages = struct('fast_float', 'fast_float', 'fmt', 'fmt');
    advice = sprintf('  Homebrew:  brew install %s\n', package_list(missing, packages));
  case 'msvc'
    packages = struct('fast_float', 'fast-float', 'fmt', 'fmt');
    advice = sprintf(['  vcpkg:  vcpkg install %s --triplet x64-windows-static-md\n' ...
                      '  with the environment variable VCPKG_ROOT set to vcpkg''s folder ' ...
                      '(in MATLAB: setenv(''VCPKG_ROOT'', ''C:\\vcpkg'') before build_quarnel)\n'], ...
                     package_list(missing, packages));
  case 'mingw'
    packages = struct('fast_float', 'mingw-w64-x86_64-fast_float', 'fmt', 'mingw-w64-x86_64-fmt');
    advice = sprintf('  MSYS2 (in C:\\msys64), in its shell:  pacman -S %s\n', ...
                     package_list(missing, packages));
  otherwise
    [apt, download] = linux_sources(missing, os_release);
    if ~isempty(apt)
      packages = struct('fast_float', 'libfast-float-dev', 'fmt', 'libfmt-dev');
      advice = sprintf('  sudo apt install %s\n', package_list(apt, packages));
    elseif isempty(download)
      advice = sprintf(['  your distribution''s packages of %s ({fmt} 7.1 or later), ' ...
                        'or the downloads below\n'], strjoin(missing, ' and '));
      download = missing;
    end
    advice = [advice, download_advice(download)];
end
end

function [apt, download] = linux_sources(missing, os_release)
% Which of the missing libraries Debian's or Ubuntu's packages give on
% this release, and which must be downloaded. On another distribution,
% neither list names any.
apt = {};
download = {};
field = @(name) regexp(os_release, ['^' name '="?([^"\r\n]*)'], 'tokens', 'once', 'lineanchors');
id = field('ID');
like = field('ID_LIKE');
version = field('VERSION_ID');
codename = field('UBUNTU_CODENAME');
if isempty(id)
  return;
end
number = NaN;
if ~isempty(version)
  number = str2double(version{1});
end
% Derivatives (Linux Mint, Pop!_OS) number their own releases but name
% the Ubuntu release they build on.
if ~strcmp(id{1}, 'ubuntu') && ~isempty(codename)
  releases = struct('focal', 20.04, 'jammy', 22.04, 'noble', 24.04);
  number = Inf;
  if isfield(releases, codename{1})
    number = releases.(codename{1});
  end
  id = {'ubuntu'};
end
if strcmp(id{1}, 'ubuntu')
  fast_float_packaged = number >= 24.04;
  fmt_packaged = number >= 22.04;
elseif strcmp(id{1}, 'debian') || (~isempty(like) && ~isempty(strfind(like{1}, 'debian')))
  % Debian's testing and unstable give no VERSION_ID: the packages are there.
  fast_float_packaged = isnan(number) || number >= 12;
  fmt_packaged = isnan(number) || number >= 11;
else
  return;
end
packaged = struct('fast_float', fast_float_packaged, 'fmt', fmt_packaged);
for k = 1:numel(missing)
  if packaged.(missing{k})
    apt{end + 1} = missing{k};
  else
    download{end + 1} = missing{k};
  end
end
end

function text = download_advice(download)
% The download of each library that no package gives here, and where to
% put it: /usr/local/include is searched, and so is DIR/include for each
% DIR in the environment variable QUARNEL_DEPS.
text = '';
if any(strcmp(download, 'fast_float'))
  text = [text sprintf(['  fast_float: its release''s single header, into ' ...
                        '/usr/local/include/fast_float/ (or DIR/include/fast_float/ with ' ...
                        'QUARNEL_DEPS set to DIR):\n' ...
                        '    sudo mkdir -p /usr/local/include/fast_float\n' ...
                        '    sudo curl -L -o /usr/local/include/fast_float/fast_float.h ' ...
                        'https://github.com/fastfloat/fast_float/releases/download/v8.0.0/fast_float.h\n'])];
end
if any(strcmp(download, 'fmt'))
  text = [text sprintf(['  {fmt} 7.1 or later: its release''s sources, used header-only ' ...
                        '(nothing to build); unzip them and set QUARNEL_DEPS to the folder, ' ...
                        'which holds include/fmt/:\n' ...
                        '    curl -L -O https://github.com/fmtlib/fmt/releases/download/10.2.1/fmt-10.2.1.zip\n' ...
                        '    unzip fmt-10.2.1.zip   (then in MATLAB or Octave: ' ...
                        'setenv(''QUARNEL_DEPS'', ''/path/to/fmt-10.2.1''))\n'])];
end
end

function list = package_list(names, packages)
list = strjoin(cellfun(@(name) packages.(name), names, 'UniformOutput', false), ' ');
end
