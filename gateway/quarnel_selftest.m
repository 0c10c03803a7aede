function varargout = quarnel_selftest()
%QUARNEL_SELFTEST  Check that quarnel and quarnel_write work in this MATLAB or Octave.
%
%  quarnel_selftest        prints one line per group of checks and a last
%                          line "N checks passed, M failed"
%  ok = quarnel_selftest   also returns true when no check failed
%
%  Run it once after building (build_quarnel puts it beside the modules).
%  It writes small files into a temporary folder, which it removes
%  however it ends, and checks, with the modules found on the path:
%
%    formats           the data format: labels, pairs, values, empty
%                      lines, comments, line ends, a header line, query ids
%    writing           quarnel_write's text, with and without a header,
%                      and files that read back to the same data
%    compressed files  gzip, bzip2, xz and zstd files written and read
%                      back; a format this build was made without is
%                      named as such, not counted as a failure
%    options           'threads', 'zero_based', 'width', 'label_map',
%                      'offset' and 'length', and a bad option's message
%    messages          the exact message of a malformed file, a missing
%                      file and a repeated label, and the writer's errors
%    threads           a file of several MB read with one thread and
%                      with four: the same outputs and the same message
%
%  A failed check prints a line saying what differed. It takes a second
%  or two.

% The help files quarnel.m and quarnel_write.m alone (the source folder
% gateway/ on the path) are no modules. Octave runs quarnel.oct, its own
% entry, where it has one.
for name = {'quarnel', 'quarnel_write'}
  if exist([name{1} '.' mexext()], 'file') == 0 && exist([name{1} '.oct'], 'file') == 0
    error('quarnel_selftest:path', ['quarnel_selftest: no module %s.%s on the path: add the ' ...
          'folder build_quarnel built it into, as addpath(build_quarnel) does'], name{1}, mexext());
  end
end
folder = [tempname() '_quarnel_selftest'];
[made, why] = mkdir(folder);
if ~made
  error('quarnel_selftest: cannot create %s: %s', folder, why);
end
cleanup = onCleanup(@() remove_folder(folder));

groups = {'formats', {'the example file', @check_example; ...
                      'labels', @check_labels; ...
                      'values', @check_values; ...
                      'empty lines, comments, line ends', @check_lines; ...
                      'header line', @check_header; ...
                      'query ids', @check_query_ids};
          'writing', {'text of a file', @check_written_text; ...
                      'text with a header', @check_written_header; ...
                      'read back', @check_round_trip; ...
                      'read back, zero-based', @check_round_trip_zero_based};
          'compressed files', {'gzip', @check_gzip; 'bzip2', @check_bzip2; ...
                               'xz', @check_xz; 'zstd', @check_zstd};
          'options', {'zero_based', @check_zero_based; ...
                      'width', @check_width; ...
                      'label_map', @check_label_map; ...
                      'offset and length', @check_parts; ...
                      'a bad option', @check_bad_option};
          'messages', {'a malformed file', @check_malformed; ...
                       'a malformed line in a part', @check_malformed_part; ...
                       'a missing file', @check_missing_file; ...
                       'a repeated label', @check_repeated_label; ...
                       'the writer''s errors', @check_writer_errors};
          'threads', {'outputs with 1 and 4 threads', @check_thread_outputs; ...
                      'a message with 1 and 4 threads', @check_thread_message}};

fprintf('quarnel_selftest: %s\n', which('quarnel'));
passed = 0;
failed = 0;
for g = 1:size(groups, 1)
  checks = groups{g, 2};
  failures = {};
  absent = {};
  for c = 1:size(checks, 1)
    try
      [ok, detail] = feval(checks{c, 2}, folder);
    catch err
      ok = false;
      detail = ['error: ' err.message];
    end
    if isempty(ok)
      absent{end + 1} = checks{c, 1};
    elseif ok
      passed = passed + 1;
    else
      failed = failed + 1;
      failures{end + 1} = sprintf('    FAILED %s: %s', checks{c, 1}, detail);
    end
  end
  ran = size(checks, 1) - numel(absent);
  line = sprintf('  %-17s %d of %d passed', groups{g, 1}, ran - numel(failures), ran);
  if ~isempty(absent)
    line = [line '; not in this build: ' strjoin(absent, ', ')];
  end
  fprintf('%s\n', line);
  for f = 1:numel(failures)
    fprintf('%s\n', failures{f});
  end
end
fprintf('%d checks passed, %d failed\n', passed, failed);
if nargout > 0
  varargout{1} = failed == 0;
end
end

% ---- formats ------------------------------------------------------------

function [ok, detail] = check_example(folder)
name = write_text(folder, 'example.txt', sprintf('3,1 1:0.5 4:2\n1 2:1\n 3:7\n'));
[printed, y, X, map] = read_file(name);
ok = issparse(y) && issparse(X) && ~issparse(map);
detail = 'label_vector and instance_matrix must be sparse, label_map dense';
if ok
  [ok, detail] = compare(printed, '', {y, X, map}, ...
                         {[1 1; 0 1; 0 0], [0.5 0 0 2; 0 1 0 0; 0 0 7 0], [3; 1]});
end
end

function [ok, detail] = check_labels(folder)
% Labels are read as numbers (fractions, signs, hexadecimal) and truncated
% toward zero; columns follow their first appearance.
name = write_text(folder, 'labels.txt', sprintf('2.9,-1,0x10 1:1\n-1 2:2\n1 1:3\n'));
[printed, y, X, map] = read_file(name);
[ok, detail] = compare(printed, '', {y, X, map}, ...
                       {[1 1 1 0; 0 1 0 0; 0 0 0 1], [1 0; 0 2; 3 0], [2; -1; 16; 1]});
end

function [ok, detail] = check_values(folder)
% Values as C reads them, exactly: exponents, hexadecimal, infinities, NaN
% and a negative zero.
name = write_text(folder, 'values.txt', ...
                  sprintf('1 1:1e-3 2:-0x1p-2 3:inf 4:nan 5:-0 6:0.1 7:1.7976931348623157e308\n'));
[printed, y, X] = read_file(name);
[ok, detail] = compare(printed, '', {y, X}, {1, [1e-3 -0.25 Inf NaN 0 0.1 realmax]});
if ok && 1 / full(X(1, 5)) ~= -Inf
  ok = false;
  detail = '-0 was read as +0';
end
end

function [ok, detail] = check_lines(folder)
% A comment line is no instance; an empty line is one without labels or
% pairs; a comment may end a line; CR LF ends a line as LF does; the last
% line needs no line end; a line may begin with a pair.
name = write_text(folder, 'lines.txt', ...
                  sprintf('# a comment\n\n2 1:1 # the rest is a comment\n\n 2:3\r\n1:2 3:4\r\n4 1:1'));
[printed, y, X, map] = read_file(name);
[ok, detail] = compare(printed, '', {y, X, map}, ...
                       {[0 0; 1 0; 0 0; 0 0; 0 0; 0 1], ...
                        [0 0 0; 1 0 0; 0 0 0; 0 3 0; 2 0 4; 1 0 0], [2; 4]});
end

function [ok, detail] = check_header(folder)
% A first line "n d L" makes the file zero-based and d columns wide.
name = write_text(folder, 'header.txt', sprintf('2 4 3\n0 0:1\n2 3:5\n'));
[printed, y, X, map] = read_file(name);
[ok, detail] = compare(printed, '', {y, X, map}, {[1 0; 0 1], [1 0 0 0; 0 0 0 5], [0; 2]});
end

function [ok, detail] = check_query_ids(folder)
name = write_text(folder, 'qid.txt', sprintf('2 qid:1 1:0.5\n qid:-3 2:1\n1 3:1\n'));
[printed, y, X, map, qid] = read_file(name);
[ok, detail] = compare(printed, '', {y, X, map, qid}, ...
                       {[1 0; 0 0; 0 1], [0.5 0 0; 0 1 0; 0 0 1], [2; 1], [1; -3; NaN]});
end

% ---- writing ------------------------------------------------------------

function [ok, detail] = check_written_text(folder)
name = fullfile(folder, 'written.txt');
quarnel_write(name, sparse([1 1; 0 1; 0 0]), sparse([0.5 0 0 2; 0 1 0 0; 0 0 7 0]), [3; 1]);
[ok, detail] = compare_text(read_bytes(name), sprintf('3,1 1:0.5 4:2\n1 2:1\n 3:7\n'));
end

function [ok, detail] = check_written_header(folder)
name = fullfile(folder, 'written_header.txt');
quarnel_write(name, sparse([1 1; 0 1; 0 0]), sparse([0.5 0 0 2; 0 1 0 0; 0 0 7 0]), [3; 1], ...
              'header', true);
[ok, detail] = compare_text(read_bytes(name), sprintf('3 4 4\n3,1 0:0.5 3:2\n1 1:1\n 2:7\n'));
end

function [ok, detail] = check_round_trip(folder)
% Values of every size, infinities, NaN and empty rows, read back with the
% width written so that empty last columns stay.
[y, X, map] = sample_data(300, 40, 7);
name = fullfile(folder, 'round_trip.txt');
quarnel_write(name, y, X, map);
[printed, y_back, X_back, map_back] = read_file(name, 'width', size(X, 2));
[ok, detail] = compare(printed, '', {X_back, label_sets(y_back, map_back)}, {X, label_sets(y, map)}, ...
                       {'instance_matrix', 'labels of each instance'});
end

function [ok, detail] = check_round_trip_zero_based(folder)
[y, X, map] = sample_data(50, 12, 3);
name = fullfile(folder, 'round_trip_zero_based.txt');
quarnel_write(name, y, X, map, 'zero_based', true);
[printed, y_back, X_back, map_back] = read_file(name, 'zero_based', true, 'width', size(X, 2));
[ok, detail] = compare(printed, '', {X_back, label_sets(y_back, map_back)}, {X, label_sets(y, map)}, ...
                       {'instance_matrix', 'labels of each instance'});
end

% ---- compressed files ---------------------------------------------------

function [ok, detail] = check_gzip(folder)
[ok, detail] = check_compressed(folder, '.gz', [31 139]);
end

function [ok, detail] = check_bzip2(folder)
[ok, detail] = check_compressed(folder, '.bz2', double('BZh'));
end

function [ok, detail] = check_xz(folder)
[ok, detail] = check_compressed(folder, '.xz', [253 55 122 88 90 0]);
end

function [ok, detail] = check_zstd(folder)
[ok, detail] = check_compressed(folder, '.zst', [40 181 47 253]);
end

function [ok, detail] = check_compressed(folder, extension, signature)
% Written compressed (the name's ending says how), recognised by its first
% bytes, read back to the same data. A build without the format's library
% refuses to write it: returns [] then.
[y, X, map] = sample_data(200, 30, 11);
name = fullfile(folder, ['compressed' extension]);
try
  quarnel_write(name, y, X, map);
catch err
  if strcmp(err.identifier, 'quarnel:write:format')
    ok = [];
    detail = '';
    return;
  end
  rethrow(err);
end
bytes = read_bytes(name);
ok = numel(bytes) >= numel(signature) && isequal(double(bytes(1:numel(signature))), signature);
detail = 'the file does not begin as the format does';
if ok
  [printed, y_back, X_back, map_back] = read_file(name, 'width', size(X, 2));
  [ok, detail] = compare(printed, '', {X_back, label_sets(y_back, map_back)}, ...
                         {X, label_sets(y, map)}, {'instance_matrix', 'labels of each instance'});
end
end

% ---- options ------------------------------------------------------------

function [ok, detail] = check_zero_based(folder)
name = write_text(folder, 'zero_based.txt', sprintf('1 0:1 2:2\n'));
[printed, y, X] = read_file(name, 'zero_based', true);
[ok, detail] = compare(printed, '', {y, X}, {1, [1 0 2]});
if ok
  printed = strtrim(evalc('[y, X] = quarnel(name, ''zero_based'', false);'));
  [ok, detail] = compare(printed, ['malformed input in ' name ' at line 1, column 3: ' ...
                         'feature index 0 is below the first column''s index 1'], {y, X}, {[], []});
end
end

function [ok, detail] = check_width(folder)
name = write_text(folder, 'width.txt', sprintf('1 1:1\n2 2:2\n'));
[printed, y, X] = read_file(name, 'width', 4);
[ok, detail] = compare(printed, '', {y, X}, {[1 0; 0 1], [1 0 0 0; 0 2 0 0]});
if ok
  printed = strtrim(evalc('[y, X] = quarnel(name, ''width'', 1);'));
  [ok, detail] = compare(printed, ['malformed input in ' name ' at line 2, column 3: ' ...
                         'feature index 2 is outside the width''s range 1 to 1'], {y, X}, {[], []});
end
end

function [ok, detail] = check_label_map(folder)
% The given labels come first, in their order, unused ones kept.
name = write_text(folder, 'label_map.txt', sprintf('3 1:1\n5 1:1\n'));
[printed, y, X, map] = read_file(name, 'label_map', [5 7]);
[ok, detail] = compare(printed, '', {y, X, map}, {[0 0 1; 1 0 0], [1; 1], [5; 7; 3]});
end

function [ok, detail] = check_parts(folder)
% Ranges cut anywhere read every line once: stacked, they are the whole.
text = sprintf('1 1:1\n2 2:2\n\n3 3:3\n# comment\n1,2 1:4 3:5\n 2:6\n');
name = write_text(folder, 'parts.txt', text);
options = {'zero_based', false, 'width', 3, 'label_map', [1 2 3]};
[printed, y, X] = read_file(name, options{:});
cuts = [0 1 6 7 13 14 30 numel(text)];
parts_y = {};
parts_X = {};
for k = 1:numel(cuts) - 1
  [part_printed, parts_y{k}, parts_X{k}] = read_file(name, 'offset', cuts(k), ...
                                                    'length', cuts(k + 1) - cuts(k), options{:});
  printed = [printed part_printed];
end
[ok, detail] = compare(printed, '', {vertcat(parts_y{:}), vertcat(parts_X{:})}, {y, X});
end

function [ok, detail] = check_bad_option(folder)
name = write_text(folder, 'bad_option.txt', sprintf('1 1:1\n'));
printed = strtrim(evalc('[y, X] = quarnel(name, ''threads'', 0);'));
[ok, detail] = compare(printed, 'option ''threads'' takes a positive integer', {y, X}, {[], []});
if ok
  printed = strtrim(evalc('[y, X] = quarnel(name, ''thread'', 2);'));
  [ok, detail] = compare(printed, ['unknown option ''thread'': quarnel takes ''threads'', ' ...
                         '''zero_based'', ''width'', ''label_map'', ''offset'', ''length'' ' ...
                         'and ''progress'''], {y, X}, {[], []});
end
end

% ---- messages -----------------------------------------------------------

function [ok, detail] = check_malformed(folder)
name = write_text(folder, 'malformed.txt', sprintf('1 1:0.5\n2 3:abc\n'));
printed = strtrim(evalc('[y, X] = quarnel(name);'));
[ok, detail] = compare(printed, ['malformed input in ' name ' at line 2, column 5: ' ...
                       'value is not a number'], {y, X}, {[], []});
end

function [ok, detail] = check_malformed_part(folder)
% In a part, lines count from the part's first line.
name = write_text(folder, 'malformed_part.txt', sprintf('1 1:1\n2 2:2\n3 3:x\n'));
printed = strtrim(evalc('[y, X] = quarnel(name, ''offset'', 3);'));
[ok, detail] = compare(printed, ['malformed input in ' name ' at line 2 of the part from ' ...
                       'byte 3, column 5: value is not a number'], {y, X}, {[], []});
end

function [ok, detail] = check_missing_file(folder)
name = fullfile(folder, 'no such file.txt');
printed = strtrim(evalc('[y, X] = quarnel(name);'));
[ok, detail] = compare(printed, ['can''t open input file ' name], {y, X}, {[], []});
end

function [ok, detail] = check_repeated_label(folder)
% Reported, stored once, and the file still loads.
name = write_text(folder, 'repeated_label.txt', sprintf('3,3 1:1\n'));
[printed, y, X, map] = read_file(name);
[ok, detail] = compare(strtrim(printed), 'ERROR: duplicate label 3 in 1-th instance', ...
                       {y, X, map}, {1, 1, 3});
end

function [ok, detail] = check_writer_errors(folder)
% Errors with identifiers, and no file left behind.
name = fullfile(folder, 'writer_errors.txt');
calls = {{name, sparse(1), sparse(1i), 1}, 'quarnel:write:complex';
         {name, sparse(1), sparse(1), 1.5}, 'quarnel:write:label';
         {name, sparse([1; 1]), sparse(1), 1}, 'quarnel:write:size';
         {name, sparse(1), sparse(1), 1, 'heading', true}, 'quarnel:write:option';
         {fullfile(folder, 'no folder', 'x.txt'), sparse(1), sparse(1), 1}, 'quarnel:write:open'};
ok = true;
detail = '';
for k = 1:size(calls, 1)
  identifier = '';
  try
    quarnel_write(calls{k, 1}{:});
  catch err
    identifier = err.identifier;
  end
  if ~strcmp(identifier, calls{k, 2})
    ok = false;
    detail = sprintf('expected the error %s, got "%s"', calls{k, 2}, identifier);
    return;
  end
end
if exist(name, 'file')
  ok = false;
  detail = 'a failed write left a file';
end
end

% ---- threads ------------------------------------------------------------

function [ok, detail] = check_thread_outputs(folder)
% A plain file of more than 4 MB is split into ranges read at once.
name = big_file(folder);
[printed, y, X, map, qid] = read_file(name, 'threads', 1);
[printed4, y4, X4, map4, qid4] = read_file(name, 'threads', 4);
[ok, detail] = compare([printed printed4], '', {y4, X4, map4, qid4}, {y, X, map, qid});
if ok && size(X, 1) ~= 30000
  ok = false;
  detail = sprintf('%d instances, 30000 written', size(X, 1));
end
end

function [ok, detail] = check_thread_message(folder)
% The first fault in the file is named, whichever range finds it.
name = big_file(folder);
fid = fopen(name, 'a');
fwrite(fid, sprintf('1 1:1\n1 2:2 2:3\n4 x\n'));
fclose(fid);
printed1 = strtrim(evalc('[y, X] = quarnel(name, ''threads'', 1);'));
printed4 = strtrim(evalc('[y4, X4] = quarnel(name, ''threads'', 4);'));
expected = ['malformed input in ' name ' at line 30002, column 7: feature index repeated in ' ...
            'one instance'];
[ok, detail] = compare(printed1, expected, {y, X}, {[], []});
if ok
  [ok, detail] = compare(printed4, expected, {y4, X4}, {[], []});
end
end

function name = big_file(folder)
% 30000 instances, about 6 MB: ten pairs each, values of many digits.
name = fullfile(folder, 'big.txt');
n = 30000;
d = 2000;
rows = repmat((1:n)', 1, 10);
columns = mod(rows * 37 + repmat(101 * (1:10), n, 1), d) + 1;
values = sin(rows .* columns) .* 10 .^ mod(rows + columns, 9);
X = sparse(rows(:), columns(:), values(:), n, d);
y = sparse((1:n)', mod((1:n)', 5) + 1, 1, n, 5);
quarnel_write(name, y, X, [0; 1; 2; 3; 4]);
end

% ---- helpers ------------------------------------------------------------

function [printed, varargout] = read_file(name, varargin)
% Reads NAME with the options given, capturing what is printed.
outputs = cell(1, max(nargout - 1, 2));
printed = evalc('[outputs{:}] = quarnel(name, varargin{:});');
varargout = outputs(1:nargout - 1);
end

function [ok, detail] = compare(printed, expected_printed, got, expected, names)
% Whether the text printed and each output are as expected: the same size
% and the same values, NaN matching NaN. NAMES name the outputs compared,
% by default quarnel's in order.
ok = strcmp(printed, expected_printed);
detail = sprintf('printed "%s", expected "%s"', strtrim(printed), expected_printed);
if ~ok
  return;
end
if nargin < 5
  names = {'label_vector', 'instance_matrix', 'label_map', 'query_id'};
end
for k = 1:numel(got)
  a = got{k};
  b = expected{k};
  if iscell(b)
    ok = isequal(a, b);
  else
    ok = isequal(size(a), size(b)) && isequaln(full(a), full(b));
  end
  if ~ok
    detail = sprintf('%s differs: %s, expected %s', names{k}, shape(a), shape(b));
    return;
  end
end
detail = '';
end

function text = shape(value)
if iscell(value)
  text = sprintf('a %d-by-%d cell', size(value, 1), size(value, 2));
elseif numel(value) <= 8
  text = sprintf('[%s] of %d-by-%d', strtrim(sprintf('%g ', full(value))), size(value, 1), ...
                 size(value, 2));
else
  text = sprintf('%d-by-%d', size(value, 1), size(value, 2));
end
end

function [ok, detail] = compare_text(got, expected)
ok = strcmp(got, expected);
detail = sprintf('wrote "%s", expected "%s"', got, expected);
end

function sets = label_sets(y, map)
% Each instance's labels, sorted: the same whatever the column order.
sets = cell(size(y, 1), 1);
for i = 1:size(y, 1)
  sets{i} = sort(map(find(y(i, :))))';
end
end

function [y, X, map] = sample_data(n, d, seed)
% N instances of D columns, every third row empty of pairs, and values
% from 5e-324 to 1e308 of either sign, infinities and NaN among them.
entries = 4 * n;
rows = mod((1:entries)' * 7 + seed, n) + 1;
columns = mod((1:entries)' * 13 + seed * 5, d) + 1;
keep = mod(rows, 3) ~= 0;
rows = [rows(keep); 1; 1];
columns = [columns(keep); 1; d];
values = sin((1:numel(rows))' + seed) .* 10 .^ (mod((1:numel(rows))', 61) * 10 - 300);
values(1:17:end) = -values(1:17:end);
values(5) = Inf;
values(9) = -Inf;
values(13) = NaN;
values(21) = 5e-324;
[~, first] = unique([rows columns], 'rows');
X = sparse(rows(first), columns(first), values(first), n, d);
labels = mod((1:n)' * 3 + seed, 6);
y = sparse((1:n)', labels + 1, 1, n, 6);
y(1:4:end, :) = 0;
map = [10; -2; 0; 7; 2147483647; -2147483648];
end

function name = write_text(folder, file, text)
name = fullfile(folder, file);
fid = fopen(name, 'w');
fwrite(fid, text);
fclose(fid);
end

function text = read_bytes(name)
fid = fopen(name, 'r');
text = fread(fid, Inf, '*char')';
fclose(fid);
end

function remove_folder(folder)
% The files, then the folder; a file the system will not let go of (on
% Windows, one a scanner holds open) is left with a warning.
listing = dir(folder);
for k = 1:numel(listing)
  if ~listing(k).isdir
    delete(fullfile(folder, listing(k).name));
  end
end
[removed, why] = rmdir(folder);
if ~removed
  warning('quarnel_selftest:cleanup', 'quarnel_selftest: could not remove %s: %s', folder, why);
end
end
