function test_query_ids ()
  % A ranking file with query ids: the fourth output holds each instance's
  % id (NaN where its line has none) and the other three are those of the
  % file without them, on one thread and in ranges on two.
  name = write_data ("2 qid:1 1:0.5 3:1\n0 qid:1 2:1\n qid:2 1:1\n1 3:4 # no id\nqid:9007199254740992 2:2\n");
  plain = write_data ("2 1:0.5 3:1\n0 2:1\n 1:1\n1 3:4 # no id\n 2:2\n");
  unwind_protect
    [labels, features, label_map] = quarnel (plain);
    setenv ("QUARNEL_RANGE_BYTES", "7");
    for threads = [1 2]
      out = evalc (sprintf ("[l, f, m, q] = quarnel (name, 'threads', %d);", threads));
      assert (out, "");
      assert (isequal (l, labels) && isequal (f, features) && isequal (m, label_map));
      assert (! issparse (q) && isa (q, "double"));
      assert (q, [1; 1; 2; NaN; 2^53]);
      % Three outputs ask for no ids, and get the same three.
      [l, f, m] = quarnel (name, "threads", threads);
      assert (isequal (l, labels) && isequal (f, features) && isequal (m, label_map));
    end
  unwind_protect_cleanup
    unsetenv ("QUARNEL_RANGE_BYTES");
    delete (name);
    delete (plain);
  end_unwind_protect
end
