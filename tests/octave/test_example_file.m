function test_example_file ()
  % The three-line file: every entry and every shape.
  name = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  [out, labels, features, label_map] = call_quarnel (name);
  assert (out, "");
  assert (issparse (labels) && issparse (features));
  assert (size (labels), [3 2]);
  assert (size (features), [3 4]);
  assert (label_map, [3; 1]);
  assert (full (labels), [1 1; 0 1; 0 0]);
  assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]);
  assert (nnz (labels), 3);
  assert (nnz (features), 4);
end
