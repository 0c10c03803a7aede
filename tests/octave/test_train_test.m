function test_train_test ()
  % A zero-based train and test split without a header, as most shipped
  % data sets are: the test split lacks index 0 and the last index, and
  % meets its labels in another order, one of them new. Read with the
  % train's 'zero_based', 'width' and 'label_map', its columns mean what
  % the train's do.
  train = write_data ("2,0 0:1 3:2\n1 1:3 4:4\n0 2:5\n");
  test = write_data ("1,7 2:6\n0 1:7 3:8\n");
  unwind_protect
    [y_train, x_train, map_train] = quarnel (train, "zero_based", true, "width", 5);
    assert (full (x_train), [1 0 0 2 0; 0 3 0 0 4; 0 0 5 0 0]);
    assert (map_train, [2; 0; 1]);
    assert (full (y_train), [1 1 0; 0 0 1; 0 1 0]);

    % Alone, the test split's first column would be index 1 and its last 3.
    [~, x_alone] = quarnel (test);
    assert (columns (x_alone), 3);

    printed = evalc (["[y_test, x_test, map_test] = quarnel (test, 'zero_based', true, " ...
                      "'width', columns (x_train), 'label_map', map_train);"]);
    assert (printed, "");
    assert (issparse (x_test) && issparse (y_test));
    assert (full (x_test), [0 0 6 0 0; 0 7 0 8 0]);
    % The train's labels keep their columns, the new label 7 follows them.
    assert (map_test, [2; 0; 1; 7]);
    assert (full (y_test), [0 0 1 1; 0 1 0 0]);
    assert (map_test(1:numel (map_train)), map_train);
    % A model of the train's columns applies to the test's.
    w = (1:5)';
    assert (full (x_test * w), [18; 46]);
  unwind_protect_cleanup
    delete (train);
    delete (test);
  end_unwind_protect
end
