classdef quarnelDatastore < matlab.io.Datastore & matlab.io.datastore.Partitionable & ...
                            matlab.io.datastore.HadoopLocationBased
%QUARNELDATASTORE  Datastore of multi-label sparse data files, read by quarnel in blocks.
%   DS = QUARNELDATASTORE(LOCATION) makes a datastore of the files LOCATION
%   names, for MATLAB's engines for data larger than memory: tall arrays,
%   mapreduce, partition in parfor or spmd, and Hadoop or Spark through
%   MATLAB Parallel Server. Each READ returns one block of a file as
%   quarnel reads it, with the same label columns, feature columns and
%   index base in every block, so that the blocks stack into the data of
%   the files read one after another.
%
%   DS = QUARNELDATASTORE(LOCATION, Name, Value, ...) takes options.
%
%   LOCATION: a file name, a folder (every file in it, not its subfolders,
%   names starting with '.' left out), a name with wildcards ('parts/*.txt'),
%   or a cell array or string array of these. Files are read in the order
%   given, a folder's or a wildcard's in name order.
%
%   Blocks: a plain file is read in byte blocks of BlockSize bytes with
%   quarnel's 'offset' and 'length', each block holding the lines that
%   start in it, so that every line is read exactly once. A compressed file
%   (gzip, bzip2, xz, zstd) is one block: it cannot be entered in the middle.
%
%   Options:
%     'BlockSize', B     bytes per block of a plain file (default 32 MiB)
%     'zero_based', TF   the index base of every block (see help quarnel)
%     'width', D         the feature columns of every block
%     'label_map', M     the labels whose columns come first, in this order
%     'threads', N       threads of each read (default: what the host allows)
%     'progress', TF     progress lines while the files are sized (default true)
%   What 'zero_based', 'width' and 'label_map' leave open is found once,
%   here, by QUARNEL_INFO over every file: the base is 0 when any file has
%   index 0 or a header line, else 1; the width reaches the largest index
%   (or a header's features); the labels are those of 'label_map', then
%   every file's others in order of first appearance. A file that quarnel
%   cannot read fails here, with quarnel's message. When all three are
%   given, no file is read here, and a block with a label outside the
%   label map fails when it is read.
%
%   Properties (read-only): Files (full names, a column cell array),
%   BlockSize, ZeroBased, Width, LabelMap (a column; label column j of every
%   block stands for LabelMap(j)).
%
%   Methods:
%     [DATA, INFO] = read(DS)  the next block. DATA is a 1-by-3 cell array
%                      {label_vector, instance_matrix, query_id}, the
%                      outputs of quarnel for the block (query_id NaN where
%                      a line has none); INFO a struct with FileName,
%                      Offset and Size, the block's bytes. A block that
%                      holds no line gives matrices without rows.
%     DATA = readall(DS)  every block, one row of DATA each (B-by-3);
%                      vertcat(DATA{:,2}) is every instance_matrix stacked.
%     DATA = preview(DS)  up to 8 instances from the start of the first
%                      block (a compressed first file is read whole).
%     hasdata, reset, progress (the share of the blocks' bytes read).
%     SUBDS = partition(DS, N, I)  part I of N: consecutive blocks, so that
%                      parts 1 to N read every block once.
%     numpartitions(DS)  the number of blocks (from MATLAB's base class).
%     For Hadoop: getLocation, initializeDatastore (one split: the lines
%     that start in its bytes, in blocks), isfullfile (false).
%
%   DATA is a cell array because MathWorks' documentation lists what tall
%   arrays hold (numeric and cell arrays, categoricals, strings, dates and
%   durations, and tables of them) and does not name sparse matrices:
%   TALL(DS) is a tall cell array with one row per block, and each cell
%   holds a block's sparse matrix as quarnel returns it.
%
%   Example:
%     ds = quarnelDatastore('parts/*.txt', 'zero_based', true);
%     count = zeros(1, numel(ds.LabelMap));
%     while hasdata(ds)
%       data = read(ds);
%       count = count + full(sum(data{1}, 1));  % instances per label
%     end
%
%   See also QUARNEL, QUARNEL_INFO, TALL, MAPREDUCE, PARTITION.

  properties (SetAccess = private)
    % Full names of the files, in reading order.
    Files = cell(0, 1);
    % Bytes per block of a plain file.
    BlockSize = 32 * 2^20;
    % The figures every block is read with.
    ZeroBased = false;
    Width = 0;
    LabelMap = zeros(0, 1);
  end

  properties (Access = private)
    % The blocks, in reading order: file name, 'offset' and 'length' for
    % quarnel (both 0 for a compressed file, read whole) and bytes.
    Blocks = struct('name', {}, 'offset', {}, 'length', {}, 'bytes', {});
    % The next block read reads.
    Next = 1;
    % {'threads', N} when the caller gave it, else {}.
    ThreadOption = {};
  end

  methods
    function ds = quarnelDatastore(location, varargin)
      if nargin == 0
        return;  % an empty datastore, to be filled by partition
      end
      [figures, given, progress] = take_options(ds, varargin);
      ds.Files = files_of(location);
      if ~(given.zero_based && given.width && given.label_map)
        figures = found_figures(ds.Files, figures, given, ds.ThreadOption, progress);
      end
      ds.ZeroBased = figures.zero_based;
      ds.Width = figures.width;
      ds.LabelMap = figures.label_map;
      for k = 1:numel(ds.Files)
        listing = dir(ds.Files{k});
        ds.Blocks = [ds.Blocks, blocks_of(ds.Files{k}, 0, listing.bytes, ds.BlockSize)];
      end
    end

    function tf = hasdata(ds)
      tf = ds.Next <= numel(ds.Blocks);
    end

    function [data, info] = read(ds)
      if ~hasdata(ds)
        error('quarnelDatastore:noMoreData', ...
              'quarnelDatastore: no block left to read; reset(ds) starts again');
      end
      [data, info] = read_block(ds, ds.Blocks(ds.Next), -1);
      ds.Next = ds.Next + 1;
    end

    function reset(ds)
      ds.Next = 1;
    end

    function p = progress(ds)
      bytes = [ds.Blocks.bytes];
      total = sum(bytes);
      if total == 0
        p = double(~hasdata(ds));
      else
        p = sum(bytes(1:ds.Next - 1)) / total;
      end
    end

    function data = readall(ds, varargin)
      % Every block from the first, whatever has been read; the position
      % stays where it was. MATLAB's own options of readall ('UseParallel')
      % are taken and left aside: the blocks are read here, one by one.
      data = cell(0, 3);
      for k = 1:numel(ds.Blocks)
        data(end + 1, :) = read_block(ds, ds.Blocks(k), -1);
      end
    end

    function data = preview(ds)
      % The first lines of the first block: at most its first MiB for a
      % plain file.
      if isempty(ds.Blocks)
        data = {sparse(0, numel(ds.LabelMap)), sparse(0, ds.Width), zeros(0, 1)};
        return;
      end
      data = read_block(ds, ds.Blocks(1), 2^20);
      for k = 1:3
        data{k} = data{k}(1:min(8, end), :);
      end
    end

    function subds = partition(ds, n, index)
      if ~is_count(n) || n < 1 || ~is_count(index) || index < 1 || index > n
        error('quarnelDatastore:partition', ...
              'quarnelDatastore: partition(ds, N, I) takes positive integers N and I with I <= N');
      end
      count = numel(ds.Blocks);
      subds = quarnelDatastore();
      subds.Files = ds.Files;
      subds.BlockSize = ds.BlockSize;
      subds.ZeroBased = ds.ZeroBased;
      subds.Width = ds.Width;
      subds.LabelMap = ds.LabelMap;
      subds.ThreadOption = ds.ThreadOption;
      subds.Blocks = ds.Blocks(floor((index - 1) * count / n) + 1:floor(index * count / n));
    end
  end

  methods (Hidden = true)
    function location = getLocation(ds)
      location = ds.Files;
    end

    function initializeDatastore(ds, info)
      % One split of a file, as Hadoop hands it out (a table, or a struct,
      % with FileName, Offset and Size): the lines that start in its bytes.
      name = char(info.FileName);
      listing = dir(name);
      if numel(listing) ~= 1 || listing.isdir
        error('quarnelDatastore:location', 'quarnelDatastore: cannot find the file %s', name);
      end
      ds.Blocks = blocks_of(name, double(info.Offset), double(info.Size), ds.BlockSize);
      ds.Next = 1;
    end

    function tf = isfullfile(ds)  %#ok<MANU>
      tf = false;  % a read reads a block of a file
    end
  end

  methods (Access = protected)
    function n = maxpartitions(ds)
      n = numel(ds.Blocks);
    end
  end

  methods (Access = private)
    function [figures, given, progress] = take_options(ds, options)
      % The name-value options: the datastore's own here, quarnel's as it
      % takes them (quarnel_info or the first read names a bad value).
      figures = struct('zero_based', false, 'width', 0, 'label_map', zeros(0, 1));
      given = struct('zero_based', false, 'width', false, 'label_map', false);
      progress = true;
      if mod(numel(options), 2) ~= 0
        error('quarnelDatastore:option', 'quarnelDatastore: options come in name-value pairs');
      end
      for k = 1:2:numel(options)
        name = options{k};
        if isstring(name) && isscalar(name)
          name = char(name);
        end
        if ~ischar(name)
          error('quarnelDatastore:option', 'quarnelDatastore: input %d is not an option name', k + 1);
        end
        value = options{k + 1};
        switch lower(name)
          case 'blocksize'
            if ~is_count(value) || value < 1
              error('quarnelDatastore:option', ...
                    'quarnelDatastore: option ''BlockSize'' takes a positive integer (bytes)');
            end
            ds.BlockSize = double(value);
          case {'zero_based', 'width', 'label_map'}
            figures.(lower(name)) = value;
            given.(lower(name)) = true;
          case 'threads'
            ds.ThreadOption = {'threads', value};
          case 'progress'
            progress = value;
          case {'offset', 'length'}
            error('quarnelDatastore:option', ...
                  'quarnelDatastore: option ''%s'' is not taken: the datastore reads every file in blocks', ...
                  lower(name));
          otherwise
            error('quarnelDatastore:option', ...
                  ['quarnelDatastore: unknown option ''%s'': quarnelDatastore takes ''BlockSize'', ' ...
                   '''zero_based'', ''width'', ''label_map'', ''threads'' and ''progress'''], name);
        end
      end
      if given.label_map
        figures.label_map = figures.label_map(:);
      end
    end

    function options = figure_options(ds)
      options = [{'zero_based', ds.ZeroBased, 'width', ds.Width, 'label_map', ds.LabelMap}, ...
                 ds.ThreadOption];
    end

    function [data, info] = read_block(ds, block, most_bytes)
      % Reads `block` with quarnel, at most its first `most_bytes` bytes
      % (a plain file's; -1: all). A failed read raises quarnel's message.
      len = block.length;
      if most_bytes >= 0 && len > 0
        len = min(len, most_bytes);
      end
      options = [figure_options(ds), {'offset', block.offset, 'length', len}];
      outputs = cell(1, 4);
      failure = '';
      name = block.name;
      % quarnel prints a failure's message and leaves its last two outputs
      % unassigned; evalc keeps the message for the error.
      printed = evalc(['try, [outputs{1:4}] = quarnel(name, options{:}); ' ...
                       'catch caught, failure = caught.message; end']);
      if ~issparse(outputs{2})
        text = strtrim(printed);
        if isempty(text)
          text = failure;
        end
        error('quarnelDatastore:read', 'quarnelDatastore: reading %s from byte %d: %s', ...
              name, block.offset, text);
      end
      if ~isempty(printed)
        fprintf('%s', printed);  % repeated labels, reported as quarnel does
      end
      if numel(outputs{3}) > numel(ds.LabelMap)
        error('quarnelDatastore:labels', ...
              'quarnelDatastore: %s holds label %d, which is not in the datastore''s LabelMap', ...
              name, outputs{3}(numel(ds.LabelMap) + 1));
      end
      data = {outputs{1}, outputs{2}, outputs{4}};
      info = struct('FileName', name, 'Offset', block.offset, 'Size', block.bytes);
    end
  end
end

function files = files_of(location)
% The full names of the files that `location` names, in reading order.
if isstring(location)
  location = cellstr(location);
elseif ischar(location)
  location = {location};
end
if ~iscellstr(location) || isempty(location)
  error('quarnelDatastore:location', ...
        'quarnelDatastore: the location is a file, folder or wildcard name, or a list of them');
end
files = cell(0, 1);
for k = 1:numel(location)
  listing = dir(location{k});
  [~, order] = sort({listing.name});
  listing = listing(order);
  if exist(location{k}, 'dir') == 7
    listing = listing(~[listing.isdir] & ~strncmp({listing.name}, '.', 1));
  else
    listing = listing(~[listing.isdir]);
  end
  if isempty(listing) && exist(location{k}, 'dir') ~= 7
    error('quarnelDatastore:location', 'quarnelDatastore: no file matches %s', location{k});
  end
  for j = 1:numel(listing)
    files{end + 1, 1} = fullfile(listing(j).folder, listing(j).name);  %#ok<AGROW>
  end
end
if isempty(files)
  error('quarnelDatastore:location', 'quarnelDatastore: no file in %s', strjoin(location(:)', ', '));
end
end

function figures = found_figures(files, figures, given, thread_option, progress)
% The base, width and labels the options leave open, from quarnel_info over
% every file, read with the options given; progress lines for a long pass.
options = [thread_option, {'progress', progress}];
for name = {'zero_based', 'width', 'label_map'}
  if given.(name{1})
    options = [options, {name{1}, figures.(name{1})}];  %#ok<AGROW>
  end
end
started = tic;
shown = 0;
lowest = 1;
highest = -Inf;
labels = figures.label_map;
for k = 1:numel(files)
  [info, message] = quarnel_info(files{k}, options{:});
  if ~isstruct(info)
    error('quarnelDatastore:read', 'quarnelDatastore: %s', message);
  end
  lowest = min(lowest, info.min_index);
  highest = max(highest, info.max_index);
  labels = [labels; info.label_map(~ismember(info.label_map, labels))];  %#ok<AGROW>
  if isequal(progress, true) && toc(started) > 1 && toc(started) - shown > 0.5
    shown = toc(started);
    print_now(sprintf('quarnelDatastore: %d of %d files sized, %.1f s', k, numel(files), shown));
  end
end
if ~given.zero_based
  if lowest < 0
    error('quarnelDatastore:index', ['quarnelDatastore: a file holds feature index %d; ' ...
          'every block takes one base, and indices start at 0 or 1'], lowest);
  end
  figures.zero_based = lowest == 0;
end
if ~given.width
  base = double(~figures.zero_based);
  figures.width = max(0, highest - base + 1);
end
figures.label_map = labels;
end

function blocks = blocks_of(name, offset, bytes, block_size)
% The blocks of the bytes [offset, offset + bytes) of file `name`: byte
% blocks of a plain file; for a compressed file, the whole file from the
% part that starts at byte 0, and nothing from any other.
blocks = struct('name', {}, 'offset', {}, 'length', {}, 'bytes', {});
if is_compressed(name)
  if offset == 0
    listing = dir(name);
    blocks = struct('name', name, 'offset', 0, 'length', 0, 'bytes', listing.bytes);
  end
  return;
end
for first = offset:block_size:offset + bytes - 1
  len = min(block_size, offset + bytes - first);
  blocks(end + 1) = struct('name', name, 'offset', first, 'length', len, 'bytes', len);  %#ok<AGROW>
end
end

function tf = is_compressed(name)
% Whether quarnel takes the file as compressed (or a zip archive), by its
% first bytes, as the module recognises them.
fid = fopen(name, 'r');
if fid < 0
  error('quarnelDatastore:location', 'quarnelDatastore: cannot open %s', name);
end
head = fread(fid, 6, 'uint8=>double')';
fclose(fid);
starts = @(signature) numel(head) >= numel(signature) && isequal(head(1:numel(signature)), signature);
tf = starts([31 139]) || starts(double('BZh')) || starts([253 55 122 88 90 0]) || ...
     starts([40 181 47 253]) || starts([80 75 3 4]) || ...
     (numel(head) >= 4 && floor(head(1) / 16) == 5 && isequal(head(2:4), [42 77 24]));
end

function tf = is_count(x)
tf = isnumeric(x) && isscalar(x) && isreal(x) && isfinite(x) && x == floor(x);
end

function print_now(line)
% A line shown at once: Octave buffers its output until flushed.
fprintf('%s\n', line);
if exist('OCTAVE_VERSION', 'builtin')
  fflush(stdout);
else
  drawnow;
end
end
