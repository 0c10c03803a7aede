function [found, problems] = find_number_headers(folders)
%FIND_NUMBER_HEADERS  The include folders of fast_float and {fmt}, and what is wrong with them.
%
%  [found, problems] = find_number_headers(folders) looks in each include
%  folder of FOLDERS, in order, for fast_float/fast_float.h and
%  fmt/format.h, the header-only libraries that read and write numbers.
%  FOUND is a struct with fields fast_float and fmt: the first folder that
%  holds each, or '' where none does. PROBLEMS is a struct with the same
%  fields: '' where all is well, 'missing', or for an {fmt} older than 7.1
%  (whose Dragonbox entry point quarnel calls) the version found, as
%  '6.1.2'. {fmt} gives its version as FMT_VERSION in fmt/base.h from
%  version 11, in fmt/core.h before.

headers = struct('fast_float', fullfile('fast_float', 'fast_float.h'), ...
                 'fmt', fullfile('fmt', 'format.h'));
found = struct('fast_float', '', 'fmt', '');
problems = struct('fast_float', 'missing', 'fmt', 'missing');
names = fieldnames(headers);
for n = 1:numel(names)
  for f = 1:numel(folders)
    if exist(fullfile(folders{f}, headers.(names{n})), 'file') == 2
      found.(names{n}) = folders{f};
      problems.(names{n}) = '';
      break;
    end
  end
end
if ~isempty(found.fmt)
  version = fmt_version(found.fmt);
  if ~isempty(version) && version < 70100
    problems.fmt = sprintf('%d.%d.%d', floor(version / 10000), ...
                           floor(mod(version, 10000) / 100), mod(version, 100));
  end
end
end

function version = fmt_version(folder)
% FMT_VERSION as a number (70103 for 7.1.3), or [] when it cannot be read.
version = [];
for name = {'base.h', 'core.h'}
  file = fullfile(folder, 'fmt', name{1});
  if exist(file, 'file') == 2
    number = regexp(fileread(file), '#\s*define\s+FMT_VERSION\s+(\d+)', 'tokens', 'once');
    if ~isempty(number)
      version = str2double(number{1});
      return;
    end
  end
end
end
