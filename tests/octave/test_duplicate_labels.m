function test_duplicate_labels ()
  % A label repeated in one instance is reported once per repeat, stored once.
  name = write_data ("1\n1\n1\n1\n2,2 1:1\n3,2,3,3 2:5\n");
  [printed, labels, features, label_map] = call_quarnel (name);
  assert (printed, ["ERROR: duplicate label 2 in 5-th instance\n" ...
                    "ERROR: duplicate label 3 in 6-th instance\n" ...
                    "ERROR: duplicate label 3 in 6-th instance\n"]);
  assert (label_map, [1; 2; 3]);
  assert (full (labels), [1 0 0; 1 0 0; 1 0 0; 1 0 0; 0 1 0; 0 1 1]);
  assert (nnz (labels), 7);
  assert (full (features(6, :)), [0 5]);
  delete (name);
end
