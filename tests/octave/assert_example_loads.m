function assert_example_loads ()
  % The module that is first on the path loads the three-line example file
  % silently to its exact matrices and label map.
  name = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  [printed, labels, features, label_map] = call_quarnel (name);
  delete (name);
  assert (printed, "");
  assert (label_map, [3; 1]);
  assert (labels, sparse ([1 1; 0 1; 0 0]));
  assert (features, sparse ([0.5 0 0 2; 0 1 0 0; 0 0 7 0]));
end
