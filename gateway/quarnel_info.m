%QUARNEL_INFO  Summarise a file of multi-label sparse data without reading its outputs.
%
%  Usage: info = quarnel_info(fname);
%         info = quarnel_info(fname, name, value, ...)   with quarnel's options
%         [info, message] = quarnel_info(...)
%
%  Reads the file FNAME as quarnel reads it, with every check of the format
%  and of the options, but only its first pass: nothing of the outputs is
%  made, so memory does not grow with the file (a plain file is read on
%  every core the host allows, a compressed one decoded as it is read).
%  INFO is a struct of what a read with the same options would give:
%
%    instances     number of instances: rows of the outputs
%    pairs         index:value pairs: entries of instance_matrix
%    label_tokens  labels written in the file, a label repeated within its
%                  line included (quarnel reports those and stores one)
%    label_map     column of the distinct labels in order of first
%                  appearance, quarnel's third output ('label_map' first)
%    min_index     the feature index of instance_matrix's first column:
%                  the smallest index in the file, or 1 when none is
%                  smaller; 0 with 'zero_based' true or a header line
%    max_index     the index of its last column: the largest index, or
%                  what 'width' or a header line fixes
%    width         columns of instance_matrix: max_index - min_index + 1
%    header        [n d L] of a header line, or [] without one
%    has_query_id  true when any instance has a "qid:" token
%    bytes         bytes of the file read: of the file, or of the part
%                  'offset' and 'length' choose (from the first line that
%                  starts in it to the end of its last); for a compressed
%                  file, its compressed bytes
%
%  Options: as quarnel takes them, with the same messages ('threads',
%  'zero_based', 'width', 'label_map', 'offset', 'length', 'progress').
%  'zero_based', 'width' and 'label_map' change min_index, max_index,
%  width and label_map as they change quarnel's outputs, and bound the
%  indices as they do; with 'offset' and 'length' only the lines that
%  start in that part count. 'progress', true prints a line at most about
%  twice a second while the pass runs longer than a second,
%  "quarnel progress: pass 1 37%, 2.0 s", and after such a pass a closing
%  line "quarnel progress: done, BYTES bytes, N instances, T s" (a shorter
%  pass prints nothing).
%
%  A file quarnel cannot read (malformed, missing, corrupt, ...) gives
%  INFO = [] and the message quarnel prints for it, printed, or returned
%  in MESSAGE when a second output is asked for (MESSAGE is '' otherwise).
%  A bad call prints "Usage: info = quarnel_info(fname);" or the option's
%  message. The outputs' memory is not checked, as none are made.
%
%  Lining up files before reading them (a train and a test split, or the
%  parts of a folder): their base, width and labels,
%
%    a = quarnel_info('train.txt');  b = quarnel_info('test.txt');
%    zero_based = min(a.min_index, b.min_index) == 0;
%    width = max(a.max_index, b.max_index) + zero_based;
%    labels = [a.label_map; b.label_map(~ismember(b.label_map, a.label_map))];
%    opts = {'zero_based', zero_based, 'width', width, 'label_map', labels};
%    [y_train, X_train] = quarnel('train.txt', opts{:});
%    [y_test, X_test] = quarnel('test.txt', opts{:});
%
%  See also QUARNEL, QUARNELDATASTORE.
