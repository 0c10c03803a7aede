function assert_example_loads ()
  % The module that is first on the path loads the three-line example file
  % silently to its exact matrices and label map, as it is and compressed
  % by each tool whose format every build decodes, and quarnel_info sizes it.
  plain = write_data ("3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
  unwind_protect
    for tool = {"", "gzip", "bzip2", "xz", "zstd -q"}
      name = plain;
      if (! isempty (tool{1}))
        name = [plain ".compressed"];
        [status, output] = system (sprintf ("%s -c '%s' > '%s'", tool{1}, plain, name));
        assert (status, 0, output);
      end
      [printed, labels, features, label_map] = call_quarnel (name);
      assert (printed, "", tool{1});
      assert (label_map, [3; 1]);
      assert (labels, sparse ([1 1; 0 1; 0 0]));
      assert (features, sparse ([0.5 0 0 2; 0 1 0 0; 0 0 7 0]));
      info = quarnel_info (name);
      assert (isequal ([info.instances, info.pairs, info.width], [3 4 4]), tool{1});
    end
  unwind_protect_cleanup
    delete (plain);
    if (exist ([plain ".compressed"], "file"))
      delete ([plain ".compressed"]);
    end
  end_unwind_protect

  % quarnel_write and quarnel_info are beside it with their help;
  % quarnel_write writes them back to the same text.
  for name = {"quarnel_write", "quarnel_info"}
    assert (fileparts (which (name{1})), fileparts (which ("quarnel")));
    assert (! isempty (strfind (evalc (["help " name{1}]), [name{1} "(fname"])));
  end
  name = [tempname() ".txt"];
  quarnel_write (name, labels, features, label_map);
  written = fileread (name);
  delete (name);
  assert (written, "3,1 1:0.5 4:2\n1 2:1\n 3:7\n");
end
