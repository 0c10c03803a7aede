function test_header ()
  % Files as the extreme-classification data sets ship them: a first line
  % "n d L", zero-based indices, and label-less lines that begin with a
  % pair. A train and a test split load to the same width, however large
  % an index each happens to use.
  train = write_data ("4 6 3\n0,2 0:1 3:0.5\n1 1:2\n 2:1\n2 4:1\n");
  test = write_data ("2 6 3\r\n0:3 2:4\r\n2,1 1:1\r\n");
  unwind_protect
    [printed, labels, features, label_map] = call_quarnel (train);
    assert (printed, "");
    assert (label_map, [0; 2; 1]);
    assert (full (labels), [1 1 0; 0 0 1; 0 0 0; 0 1 0]);
    assert (full (features), [1 0 0 0.5 0 0; 0 2 0 0 0 0; 0 0 1 0 0 0; 0 0 0 0 1 0]);

    [printed, labels, features, label_map] = call_quarnel (test);
    assert (printed, "");
    assert (label_map, [2; 1]);
    assert (full (labels), [0 0; 1 1]);
    assert (full (features), [3 0 4 0 0 0; 0 1 0 0 0 0]);

    % No features and no labels at all: the shapes still follow the header.
    empty = write_data ("2 0 0\n\n\n");
    [printed, labels, features, label_map] = call_quarnel (empty);
    delete (empty);
    assert (printed, "");
    assert ([size(labels), size(features), size(label_map)], [2 0 2 0 0 1]);
  unwind_protect_cleanup
    delete (train);
    delete (test);
  end_unwind_protect
end
