%QUARNEL_WRITE  Write multi-label sparse data as a text file quarnel reads.
%
%  quarnel_write(fname, label_vector, instance_matrix, label_map)
%  quarnel_write(..., 'header', true)       first line "n d L"
%  quarnel_write(..., 'zero_based', true)   column j written as index j-1
%
%  Writes one line per instance (row) to the file FNAME (a character row
%  vector, or in MATLAB a string scalar such as "data.txt"; option names
%  may be strings too), replacing any file there:
%
%    label_vector     N-by-K, sparse or full, double or logical: a non-zero
%                     at (i,j) means instance i carries the label
%                     label_map(j). Labels are written comma-separated in
%                     column order from the first column; a line without
%                     labels starts with a space.
%    instance_matrix  N-by-D real double, sparse or full: column j is
%                     written as index j (j-1 with 'zero_based'). Every
%                     stored entry of a sparse matrix is written, explicit
%                     zeros included; of a full matrix, every non-zero.
%                     Values take the shortest form that reads back to the
%                     same double; infinities and NaN as inf, -inf, nan.
%    label_map        K values, a column or a row, each an integer in the
%                     32-bit range.
%
%  quarnel reads the written file back to the same labels for every
%  instance and to the same instance_matrix X, bit for bit, when the file
%  keeps X's width: written with a header, or read back with 'width',
%  size(X, 2) (and 'zero_based', true if written so). Otherwise X reads
%  back as wide as its last column that holds an entry; trailing columns
%  without one are lost:
%
%    [y, X, m] = quarnel('train.txt');
%    quarnel_write('copy.txt', y, X, m);
%    [y2, X2, m2] = quarnel('copy.txt', 'width', size(X, 2));   % X2 is X
%
%  Each option takes true or false as quarnel's own do: a real scalar,
%  logical or numeric, not NaN.
%
%  'header', true writes the header line "n d L" first: n = N, d = D and L
%  one more than the largest label. Labels must then be non-negative and
%  the file is zero-based ('zero_based' is true unless given, and cannot be
%  false). quarnel reads such a file back to exactly D columns.
%
%  Without a header, quarnel numbers columns from the smallest index in the
%  file, or from 1 when none is smaller: a zero-based file without a header
%  reads back shifted by one column unless its first column holds an entry.
%
%  A name ending in .gz, .bz2, .xz or .zst writes the file compressed in
%  that format (at the default level of its command-line tool), if this
%  build has it; quarnel reads all four back.
%
%  The file is written under a short temporary name in FNAME's folder,
%  flushed to disk and renamed to FNAME only when complete: on any failure
%  no partial file is left and a file already at FNAME stays as it was. A
%  file replaced keeps its permission bits, and where FNAME is a symbolic
%  link (Linux, macOS) the file it points to is replaced, the link kept.
%  FNAME is taken as UTF-8, as typed; on Windows a rename another program
%  blocks a moment is tried again for about a second.
%
%  Errors are raised with these identifiers:
%
%    quarnel:write:usage    not four data arguments and name/value pairs,
%                           or an output asked for
%    quarnel:write:type     an argument of the wrong kind
%    quarnel:write:complex  complex values
%    quarnel:write:size     sizes that disagree, or more columns than
%                           32-bit indices can number
%    quarnel:write:label    a label that is not an integer, is out of the
%                           32-bit range, or is negative with a header
%    quarnel:write:option   an unknown option or a value not true or false,
%                           or 'zero_based', false with a header
%    quarnel:write:format   a compression this build does not have
%    quarnel:write:open     no file can be created beside FNAME (a folder
%                           that does not exist or cannot be written),
%                           FNAME is a device or a pipe, not a file, or
%                           FNAME holds a NUL character
%    quarnel:write:write    a write that fails part way (a full disk)
%    quarnel:write:rename   the complete file cannot take FNAME's place
%    quarnel:write:memory   not enough memory
