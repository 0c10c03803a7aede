%QUARNEL  Read a text file of multi-label sparse data.
%
%  Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);
%
%  Reads the file named FNAME (a character row vector, or in MATLAB a
%  string scalar such as "data.txt"), one instance per line, and returns, for a
%  file of N instances with K distinct labels:
%
%    label_vector     sparse N-by-K matrix: entry (i,j) is 1 when instance i
%                     carries the label label_map(j), and 0 otherwise.
%    instance_matrix  sparse N-by-D matrix: entry (i,j) is the value paired
%                     in instance i with the index j + min_index - 1, where
%                     min_index is the smallest index in the file, or 1 if
%                     none is smaller; D fits the largest index.
%    label_map        dense K-by-1 column of the distinct labels, in the
%                     order in which they first appear in the file.
%
%  The file: each line holds comma-separated labels, then index:value pairs
%  separated by white space. The three lines
%
%    3,1 1:0.5 4:2
%    1 2:1
%     3:7
%
%  give label_map = [3; 1], label_vector = [1 1; 0 1; 0 0] and
%  instance_matrix = [0.5 0 0 2; 0 1 0 0; 0 0 7 0] (both sparse).
%
%    - A label is a number as C's "%lf" reads it, truncated toward zero; a
%      label out of the 32-bit integer range, or NaN, becomes -2147483648.
%    - A line with no labels starts with a space, is empty, or begins
%      directly with a pair ("281:1 406:1").
%    - A pair is a decimal 32-bit index directly followed by a colon, then
%      a number. Indices need not ascend, but an index given twice in one
%      line is malformed.
%    - A "#" where a label or a pair could begin starts a comment that runs
%      to the end of the line; a line starting with "#" is not an instance.
%    - Lines may end in LF or CR LF; a last line without one is an instance.
%
%  A header line "n d L" (instances, features, labels) as the first line,
%  three integers of digits alone separated by single spaces, is not an
%  instance: the file is then zero-based, instance_matrix has exactly d
%  columns and index k is column k + 1, so a train and a test split load
%  to the same width. The file must hold exactly n instances, indices in
%  0 to d-1 and labels in 0 to L-1; label_map still lists the labels that
%  occur. Breaking these bounds is malformed input whose REASON is one of
%
%    "the header gives N instances, the file has M" (at line 1, column 1)
%    "feature index K is outside the header's range 0 to D-1"
%    "feature index K is outside the header's range: the header gives no features"
%    "label K is outside the header's range 0 to L-1"
%    "label K is outside the header's range: the header gives no labels"
%    "header value is larger than 2147483647"
%
%  A file compressed with gzip, bzip2, xz or zstd (recognised by its first
%  bytes, not its name; pzstd's files too) loads as the text it holds;
%  several streams one after another read as one, and zero bytes after the
%  last (padding to a block) are ignored. Lines and columns in messages
%  count in that text.
%
%  On a bad call or a bad file it prints one message instead of raising an
%  error:
%
%    - Not exactly one input, or an input that is neither a character row
%      vector nor a string scalar: prints the usage line above.
%    - A file that cannot be opened: prints "can't open input file NAME".
%    - A name that is not a regular file (a pipe, a device):
%      prints "can't read input file NAME: not a regular file".
%    - Malformed content: prints
%      "malformed input in NAME at line L, column C: REASON".
%    - A file that changes between the reader's two passes over it: prints
%      "input file NAME changed while it was read".
%    - Compressed data that is damaged or cut short (FORMAT: gzip, bzip2,
%      xz or zstd): prints
%      "can't read input file NAME: its FORMAT-compressed data is corrupt or truncated".
%    - A format this build cannot decode: prints
%      "can't read input file NAME: it is FORMAT-compressed and this build has no FORMAT".
%    - A zip archive: prints
%      "can't read input file NAME: it is a zip archive; extract the data file from it first".
%
%  In each of these cases label_vector and instance_matrix are empty 0-by-0
%  matrices and label_map is left unassigned, so a call that asks for it
%  then fails with the host's error for an unassigned output.
%
%  A label repeated within one instance prints "ERROR: duplicate label L in
%  N-th instance"; the label is stored once and reading goes on.
