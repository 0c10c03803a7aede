function test_string_name ()
  % A string scalar as the file name (see define_string_class), for
  % quarnel_write's option names too.
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

    % quarnel_write takes strings for its name and its option names alike.
    written = fullfile (folder, "written.txt");
    quarnel_write (string (written), labels, features, label_map, string ("Header"), true);
    assert (fileread (written), "3 4 4\n3,1 0:0.5 3:2\n1 1:1\n 2:7\n");
    try
      quarnel_write (string ({}), labels, features, label_map);
      error ("no error");
    catch err
      assert (err.identifier, "quarnel:write:type");
    end
  unwind_protect_cleanup
    rmpath (folder);
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
    delete (name);
  end_unwind_protect
end
