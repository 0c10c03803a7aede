function test_entry ()
  % A wrong call gets the usage message and two empty matrices.
  usage = "Usage: [label_vector, instance_matrix, label_map] = quarnel(fname);\n";
  name = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  wrong_calls = {
    "[a, b] = quarnel ();";
    "[a, b] = quarnel (name, name);";
    "[a, b] = quarnel (42);";
    "[a, b] = quarnel ({name});";
    "[a, b] = quarnel ([name; name]);";
    "[a, b] = quarnel (int8 (name));";
  };
  for k = 1:numel (wrong_calls)
    printed = evalc (wrong_calls{k});
    assert (printed, usage, wrong_calls{k});
    assert (size (a), [0 0]);
    assert (size (b), [0 0]);
  end

  % Outputs are written however many the caller asks for.
  printed = evalc ("quarnel (name);");
  assert (printed, "");
  labels = quarnel (name);
  assert (size (labels), [3 2]);
  evalc ("quarnel ();");

  % The outputs outlive the module, unloaded by clear functions: nothing
  % of theirs, memory or code, is the module's; they change as any array
  % does, and the next call loads it again.
  [labels, features, label_map] = quarnel (name);
  clear functions;
  features(2, 3) = 5;
  assert (full (features), [0.5 0 0 2; 0 1 5 0; 0 0 7 0]);
  assert (full (labels), [1 1; 0 1; 0 0]);
  clear labels features label_map;
  [labels, features, label_map] = quarnel (name);
  assert (label_map, [3; 1]);

  % Names of any length: exactly 255 characters, and a path of 1,000.
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    long_name = fullfile (folder, [repmat("n", 1, 255 - numel (folder) - 5) ".txt"]);
    assert (numel (long_name), 255);
    copyfile (name, long_name);
    [labels, features, label_map] = quarnel (long_name);
    assert (label_map, [3; 1]);

    deep = folder;
    while (numel (deep) < 1000 - 60)
      deep = fullfile (deep, repmat ("d", 1, 50));
      mkdir (deep);
    end
    deep_name = fullfile (deep, [repmat("f", 1, 1000 - numel (deep) - 5) ".txt"]);
    assert (numel (deep_name), 1000);
    copyfile (name, deep_name);
    [labels, features, label_map] = quarnel (deep_name);
    assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]);

    missing = [deep_name "x"];
    printed = evalc ("[labels, features] = quarnel (missing);");
    assert (printed, sprintf ("can't open input file %s\n", missing));
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
    delete (name);
  end_unwind_protect
end
