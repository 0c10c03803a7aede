function test_string_name ()
  % A string scalar as the file name (see define_string_class).
  usage = "Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n";
  name = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  folder = define_string_class ();
  unwind_protect
    [printed, labels, features, label_map] = call_quarnel (string (name));
    assert (printed, "");
    assert (label_map, [3; 1]);
    assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]);

    % Two names (char gives a matrix), and a char that fails: usage.
    for text = {[name; name], {}}
      printed = evalc ("[a, b] = quarnel (string (text{1}));");
      assert (printed, usage);
      assert ([size(a), size(b)], [0 0 0 0]);
    end
  unwind_protect_cleanup
    rmpath (folder);
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
    delete (name);
  end_unwind_protect
end
