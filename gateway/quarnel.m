%QUARNEL  Read a text file of multi-label sparse data.
%
%  Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);
%         [...] = quarnel(fname, name, value, ...)   with the options below
%         [label_vector, instance_matrix, label_map, query_id] = quarnel(...)
%
%  Reads the file named FNAME (a character row vector, or in MATLAB a
%  string scalar such as "data.txt"; taken as UTF-8, as typed), one
%  instance per line, and returns, for a file of N instances with K
%  distinct labels:
%
%    label_vector     sparse N-by-K matrix: entry (i,j) is 1 when instance i
%                     carries the label label_map(j), and 0 otherwise.
%    instance_matrix  sparse N-by-D matrix: entry (i,j) is the value paired
%                     in instance i with the index j + min_index - 1, where
%                     min_index is the smallest index in the file, or 1 if
%                     none is smaller; D fits the largest index.
%    label_map        dense K-by-1 column of the distinct labels, in the
%                     order in which they first appear in the file.
%    query_id         (only when asked for) dense N-by-1 column: the query
%                     id of each instance, NaN where its line has none.
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
%      directly with a pair ("281:1 406:1"); an empty line, or one of
%      spaces alone, is an instance with neither. A tab is not a space
%      here: a line starting with tabs is read from its first token, so
%      "<tab>2 1:1" has the label 2 and a line of one tab is malformed
%      ("label missing").
%    - A pair is a decimal 32-bit index directly followed by a colon, then
%      a number. Indices need not ascend, but an index given twice in one
%      line is malformed.
%    - A query id "qid:N" (as in ranking data sets, the SVMlight layout) may
%      stand as the first token after the labels, or begin a line without
%      labels ("qid:3 1:0.5", " qid:3 1:0.5"). "qid:" is matched in lower
%      case only; N is an optional sign and decimal digits of at most 2^53
%      (a double holds it exactly), directly after the colon and followed by
%      white space or the line's end. The other outputs are as if the token
%      were absent. Elsewhere in a line, or with any other N, it is
%      malformed input: "qid: is only allowed as the first token after the
%      labels", "query id is not an integer from -2^53 to 2^53".
%    - A "#" where a label or a pair could begin starts a comment that runs
%      to the end of the line; a line starting with "#" is not an instance.
%    - Lines may end in LF or CR LF; a last line without one is an instance.
%      A line may be of any length, but no label, index or value longer
%      than 4096 bytes ("token is longer than 4096 bytes").
%
%  A header line "n d L" (instances, features, labels) as the first line,
%  three integers of digits alone separated by single spaces, is not an
%  instance: the file is then zero-based, instance_matrix has exactly d
%  columns and index k is column k + 1, so a train and a test split load
%  to the same width. The file must hold exactly n instances, indices in
%  0 to d-1 and labels in 0 to L-1; label_map still lists the labels that
%  occur. An empty line is an instance, a last one too: a file that ends
%  in an empty line (two line ends in a row) has one instance too many.
%  Breaking these bounds is malformed input whose REASON is one of
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
%  last (padding to a block) are ignored; after an xz stream only in
%  multiples of four bytes, as the xz tool requires (other counts are
%  damage). Lines and columns in messages count in that text.
%
%  Options, as name-value pairs after FNAME; a name is a character row
%  vector or a string scalar, in any case ('Threads' is 'threads'); a name
%  given twice takes its last value, though every value given is checked
%  ('threads', 0, 'threads', 1 fails on the 0):
%
%    'threads', N      scan with N threads (a positive integer; more than 64
%                      count as 64). Without it, what the host lets
%                      computations use: maxNumCompThreads in MATLAB (1 on a
%                      parallel pool's workers), nproc in Octave. The outputs
%                      and messages are the same for every N, save the
%                      figures of the memory message (each thread's
%                      buffers count).
%    'zero_based', TF  true: index k is column k+1; false: index k is column
%                      k; whatever indices the file holds. An index below the
%                      base (negative, or 0 when false) is malformed input.
%                      Without it, the rule above. A file with a header is
%                      zero-based: false there is malformed input at line 1.
%    'width', D        exactly D columns (an integer from 0 up) from the base;
%                      an index beyond them is malformed input. Without
%                      'zero_based' the base is the file's own min_index, so
%                      such an index is named only once the whole file is
%                      read. With a header as well, both bounds apply and the
%                      matrix has D columns.
%    'label_map', M    a numeric vector of distinct integer labels: the label
%                      columns start with M's labels in M's order, and labels
%                      the file holds that M does not follow in order of first
%                      appearance, so label_map begins with M. Labels of M the
%                      file never uses keep their empty columns (with a
%                      header, M's labels may lie outside 0 to L-1).
%    'offset', O       bytes: read only the lines whose first byte is at a
%    'length', L       position p with O < p <= O+L (0 <= p <= L when O is 0);
%                      L = 0 or absent reads to the end. Consecutive ranges
%                      (offset 0, length a; offset a, length b-a; ...) hold
%                      the lines starting in [0,a], (a,b], ...: a line
%                      starting exactly at a cut belongs to the range before
%                      it, so every line is read exactly once, and their
%                      outputs, read with the same 'width', 'zero_based' and
%                      'label_map', stack to the whole file's. Cuts must be
%                      distinct: a length of 0 reads to the end. Plain files
%                      only. An offset at or past the end reads no line.
%                      Only a range from byte 0 sees a header line; pass its
%                      figures to the others ('zero_based', true, 'width', d).
%    'progress', TF    true: while a read runs longer than about a second, a
%                      line with its progress at most about twice a second
%                      ("quarnel progress: pass 1 P%, pass 2 P%, T s"), and
%                      at the end of a read that succeeds one closing line
%                      ("quarnel progress: done, B bytes, N instances, T s").
%                      Nothing without it.
%
%  Train and test splits line up when the test split is read with the
%  train's base, width and labels:
%
%    [y_train, X_train, map_train] = quarnel('train.txt', 'zero_based', true);
%    [y_test, X_test, map_test] = quarnel('test.txt', 'zero_based', true, ...
%        'width', size(X_train, 2), 'label_map', map_train);
%
%  Breaking the bounds of 'zero_based' and 'width' is malformed input whose
%  REASON is one of
%
%    "feature index K is below the first column's index 0" (or 1, when false)
%    "feature index K is outside the width's range F to F+D-1"
%      (F the first column's index, 0 or 1 with 'zero_based', else min_index)
%    "feature index K is outside the width's range: the width is 0"
%    "'zero_based' is false, but a file with a header is zero-based"
%      (at line 1, column 1)
%
%  On a bad call or a bad file it prints one message instead of raising an
%  error:
%
%    - No input, exactly two inputs, or a first input that is neither a
%      character row vector nor a string scalar: prints the usage line above.
%    - A bad option: prints one line naming it and what it takes:
%      "unknown option 'NAME': quarnel takes 'threads', 'zero_based', ...",
%      "input K is not an option name: quarnel takes ...",
%      "option 'NAME' has no value", or "option 'NAME' takes WHAT", as in
%      "option 'threads' takes a positive integer".
%    - A file that cannot be opened: prints "can't open input file NAME".
%    - A name holding a NUL character, which would name another file:
%      prints "can't open input file NAME: the name holds a NUL character".
%    - A name that is not a regular file (a pipe, a device):
%      prints "can't read input file NAME: not a regular file".
%    - Malformed content: prints
%      "malformed input in NAME at line L, column C: REASON"; in a range
%      read with an offset O > 0, L counts from the range's first line:
%      "malformed input in NAME at line L of the part from byte O, column C: REASON".
%    - An offset or length given for a compressed file: prints
%      "can't read part of input file NAME: it is FORMAT-compressed, and a compressed file can only be read whole".
%    - A read error part way through the file: prints
%      "error reading input file NAME".
%    - A file that changes between the reader's two passes over it: prints
%      "input file NAME changed while it was read".
%    - Outputs that would not fit in the memory this process can have (the
%      system's available memory, a container's limit, the process's own
%      limits), found before any is made: prints
%      "not enough memory to read input file NAME: its outputs need X GB and Y GB are available"
%      (MB below 1 GB; X counts the outputs, the host's copy of them as the
%      call returns and the reader's own buffers, each thread's included,
%      so it changes with the thread count).
%    - The reader's own buffers unable to grow: prints
%      "not enough memory to read input file NAME".
%    - No memory to copy the options or the file's name: prints
%      "not enough memory to read the options" or
%      "not enough memory for the input file's name".
%    - Compressed data that is damaged or cut short (FORMAT: gzip, bzip2,
%      xz or zstd): prints
%      "can't read input file NAME: its FORMAT-compressed data is corrupt or truncated".
%    - A format this build cannot decode: prints
%      "can't read input file NAME: it is FORMAT-compressed and this build has no FORMAT".
%    - A zip archive: prints
%      "can't read input file NAME: it is a zip archive; extract the data file from it first".
%
%  In each of these cases label_vector and instance_matrix are empty 0-by-0
%  matrices and label_map and query_id are left unassigned, so a call that
%  asks for them then fails with the host's error for an unassigned output.
%
%  A label repeated within one instance prints "ERROR: duplicate label L in
%  N-th instance"; the label is stored once and reading goes on.
