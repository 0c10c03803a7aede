function test_shapes ()
  % The shapes of degenerate files, and the line forms every file may hold.
  [labels, features, label_map] = load_text ("");
  assert (size (labels), [0 0]);
  assert (size (features), [0 0]);
  assert (size (label_map), [0 1]);
  assert (issparse (labels) && issparse (features));

  [labels, features, label_map] = load_text ("1\n2,3\n\n");   % no pairs
  assert (size (features), [3 0]);
  assert (full (labels), [1 0 0; 0 1 1; 0 0 0]);
  assert (label_map, [1; 2; 3]);

  [labels, features, label_map] = load_text (" 1:1\n 2:2\n");  % no labels
  assert (size (labels), [2 0]);
  assert (size (label_map), [0 1]);
  assert (full (features), [1 0; 0 2]);

  [labels, features] = load_text ("\n\n");  % empty lines are empty instances
  assert (size (labels), [2 0]);
  assert (size (features), [2 0]);

  % CR LF line ends, comment lines and comments, a last line without newline.
  [labels, features, label_map] = load_text ("# written by a tool\r\n3,1 1:0.5 4:2\r\n1 2:1 # note\r\n 3:7");
  assert (label_map, [3; 1]);
  assert (full (labels), [1 1; 0 1; 0 0]);
  assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]);

  % Indices 0 and below shift every row; unordered indices widen the matrix.
  [~, features] = load_text (" -2:1 0:2\n 9:3 4:4\n");
  assert (size (features), [2 12]);
  assert (full (features(1, 1:3)), [1 0 2]);
  assert (full (features(2, [7 12])), [4 3]);

  % Explicit zeros stay stored entries, the sign of -0 included.
  [~, features] = load_text (" 1:0 2:-0 3:5\n");
  [~, ~, values] = find (features);
  assert (numel (values), 3);
  assert (1 ./ values(1:2)(:), [Inf; -Inf]);
end

function [labels, features, label_map] = load_text (text)
  name = write_data (text);
  [printed, labels, features, label_map] = call_quarnel (name);
  assert (printed, "");
  delete (name);
end
