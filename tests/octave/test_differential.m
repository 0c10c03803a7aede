function test_differential ()
  % Random well-formed files whose content is known, loaded and compared
  % entry by entry, bit for bit, then written by quarnel_write in each form
  % and read back. Reproducible: each file has its seed.
  for seed = 1:40
    check_seed (seed);
  end
end

function check_seed (seed)
  rand ("state", seed);
  line_count = randi ([0 60]);
  label_pool = [randi([-50 50], 1, 8), 2147483647, -2147483648, 0];
  labels_of = cell (line_count, 1);
  pairs_of = cell (line_count, 1);
  text = "";
  for i = 1:line_count
    [line, labels_of{i}, pairs_of{i}] = random_line (label_pool);
    text = [text line];
  end
  if (line_count > 0 && rand () < 0.3)
    text = text(1:end-1);   % a last line without its newline is an instance
  end
  name = [tempname() ".txt"];
  fid = fopen (name, "wb");
  fwrite (fid, text);
  fclose (fid);
  printed = evalc ("[labels, features, label_map] = quarnel (name);", ...
                   "copyfile (name, '/tmp/quarnel_failed.txt'); error ('seed %d: %s', seed, lasterr ());");
  delete (name);

  % What the file says, worked out here independently.
  expected_map = unique_in_order ([labels_of{:}]);
  all_pairs = vertcat (zeros (0, 2), pairs_of{:});
  min_index = min ([1; all_pairs(:, 1)]);
  max_index = max ([0; all_pairs(:, 1)]);
  feature_count = max_index - min_index + 1;
  expected_printed = "";
  assert (label_map, expected_map(:), sprintf ("seed %d", seed));
  assert (size (labels), [line_count numel(expected_map)]);
  assert (size (features), [line_count feature_count]);
  for i = 1:line_count
    row = labels_of{i};
    seen = [];
    for label = row
      if (any (seen == label))
        expected_printed = [expected_printed sprintf("ERROR: duplicate label %d in %d-th instance\n", label, i)];
      end
      seen(end+1) = label;
    end
    [~, columns] = ismember (unique (row), expected_map);
    [~, got_columns] = find (labels(i, :));
    assert (isequal (sort (got_columns(:)), sort (columns(:))), sprintf ("seed %d line %d", seed, i));
    assert (all (nonzeros (labels(i, :)) == 1));
    pairs = pairs_of{i};
    [~, got_rows, got_values] = find (features(i, :));
    got = sortrows ([got_rows(:), (1:numel (got_rows))']);
    expected_rows = pairs(:, 1) - min_index + 1;
    [expected_rows, order] = sort (expected_rows);
    assert (isequal (got(:, 1), expected_rows), sprintf ("seed %d line %d", seed, i));
    got_values = got_values(:)(got(:, 2));
    expected_values = pairs(order, 2);
    assert (isequal (typecast (got_values, "uint64"), typecast (expected_values, "uint64")), ...
            sprintf ("seed %d line %d", seed, i));
  end
  assert (printed, expected_printed, sprintf ("seed %d", seed));
  check_written (labels, features, label_map, seed);
end

function check_written (labels, features, label_map, seed)
  % What quarnel_write writes reads back to the same values, bit for bit,
  % and the same labels for every instance: plain, zero-based, with a
  % header, and compressed in one of the four formats by turns.
  formats = {".gz", ".bz2", ".xz", ".zst"};
  base = tempname ();
  name = [base ".txt"];
  packed = [base formats{mod(seed, 4) + 1}];
  unwind_protect
    quarnel_write (name, labels, features, label_map);
    [labels2, features2, label_map2] = quarnel (name);
    same_data (features2, features, labels2, label_map2, labels, label_map, seed);

    quarnel_write (packed, labels, features, label_map);
    [labels2, features2, label_map2] = quarnel (packed);
    same_data (features2, features, labels2, label_map2, labels, label_map, seed);

    % With a header the width is kept, empty last columns included; labels
    % are renumbered from 0, as a header needs.
    wide = [features, sparse(rows (features), 2)];
    numbered = (0:numel (label_map) - 1)';
    quarnel_write (name, labels, wide, numbered, "header", true);
    [labels2, features2, label_map2] = quarnel (name);
    same_data (features2, wide, labels2, label_map2, labels, numbered, seed);

    % Zero-based without a header: shifted back unless column 1 holds an entry.
    quarnel_write (name, labels, features, label_map, "zero_based", true);
    [labels2, features2, label_map2] = quarnel (name);
    if (columns (features) > 0 && nnz (features(:, 1)) == 0)
      features = features(:, 2:end);
    end
    same_data (features2, features, labels2, label_map2, labels, label_map, seed);
  unwind_protect_cleanup
    delete (name);
    delete (packed);
  end_unwind_protect
end

function same_data (features2, features, labels2, label_map2, labels, label_map, seed)
  assert (all (size (features2) == size (features)), "seed %d: size %s, not %s", seed, ...
          mat2str (size (features2)), mat2str (size (features)));
  [i, j, v] = find (features);
  [i2, j2, v2] = find (features2);
  assert (isequal ([i2(:) j2(:)], [i(:) j(:)]), "seed %d: entries in other places", seed);
  assert (isequal (typecast (v2(:), "uint64"), typecast (v(:), "uint64")), ...
          "seed %d: other values", seed);
  assert (isequal (instance_labels (labels2, label_map2), instance_labels (labels, label_map)), ...
          "seed %d: other labels", seed);
end

function pairs = instance_labels (labels, label_map)
  % (instance, label) for every label an instance carries, sorted.
  [i, j] = find (labels);
  pairs = sortrows ([i(:), label_map(j)(:)]);
end

function [line, labels, pairs] = random_line (label_pool)
  labels = [];
  line = "";
  if (rand () < 0.8)
    count = randi ([1 5]);
    labels = label_pool(randi (numel (label_pool), 1, count));
    for k = 1:count
      token = label_text (labels(k));
      if (k > 1)
        separator = ",";
        if (rand () < 0.1) separator = ",\t"; end   % the conversion skips a tab
        token = [separator token];
      end
      line = [line token];
    end
  end
  pair_count = randi ([0 12]) * (rand () < 0.85);
  indices = sort (randperm (40, pair_count) - 8);
  if (rand () < 0.2)
    indices = indices(randperm (pair_count));   % not ascending: still accepted
  end
  pairs = zeros (pair_count, 2);
  for k = 1:pair_count
    [value, written] = random_value ();
    pairs(k, :) = [indices(k), value];
    line = [line blank_run() index_text(indices(k)) ":" colon_gap() written];
  end
  if (rand () < 0.2) line = [line blank_run()]; end
  if (rand () < 0.2) line = [line " # comment 1:2"]; end
  if (isempty (labels) && pair_count > 0 && rand () < 0.3)
    line = regexprep (line, '^\s+', '');   % or with its first pair
  elseif (isempty (labels) && (! isempty (line) || rand () < 0.5))
    line = [" " line];   % a line without labels starts with a space
  end
  line_end = "\n";
  if (rand () < 0.2) line_end = "\r\n"; end
  line = [line line_end];
  if (rand () < 0.1) line = ["# comment line\n" line]; end
end

function token = label_text (label)
  % The same label in the forms that truncate to it.
  forms = {sprintf("%d", label)};
  if (label > -2147483647 && label < 2147483647)
    forms(end+1) = sprintf ("%d.%d", label, randi ([0 9]));  % truncated toward zero
    forms(end+1) = sprintf ("%de0", label);
  end
  if (label >= 0) forms(end+1) = sprintf ("+%d", label); end
  if (label == -2147483648)
    forms = [forms, {"1e10", "-3e9", "nan", "inf", "-INF", "2147483648"}];
  end
  token = forms{randi (numel (forms))};
end

function token = index_text (index)
  token = sprintf ("%d", index);
  if (index >= 0 && rand () < 0.1) token = ["+" token]; end
end

function gap = colon_gap ()
  gap = "";
  if (rand () < 0.05) gap = "\t "; end   % the value conversion skips it
end

function run = blank_run ()
  blanks = [" ", "\t", "\v", "\f"];
  run = blanks(randi (4, 1, randi ([1 3])));
  if (! any (run == " ") && rand () < 0.5) run = " "; end
end

function [value, written] = random_value ()
  switch (randi (9))
    case 1
      value = round (randn () * 1e6) / 1e6;
      written = sprintf ("%.6g", value);
      value = str2double (written);
    case 2
      value = randn () * 10 ^ randi ([-300 300]);
      written = sprintf ("%.17g", value);
    case 3
      value = typecast (randi ([0 2^52], 1, 1, "uint64") + uint64 (randi (1, 1) * 2^52), "double");
      written = sprintf ("%.17g", value);
    case 4
      value = randn () * 2 ^ randi ([-1074 1000]);
      written = hex_text (value);
    case 5
      value = 0;
      written = {"0", "0.0", "+0", "0e5", "0x0p0"}{randi (5)};
    case 6
      specials = {Inf, "inf"; -Inf, "-Infinity"; Inf, "+INF"; NaN, "nan"; NaN, "NaN"};
      k = randi (rows (specials));
      [value, written] = specials{k, :};
    case 7
      value = randi ([-1000 1000]);
      written = sprintf ("%d", value);
      if (rand () < 0.5) written = sprintf ("%de0", value); end
    case 8
      value = 4.9406564584124654e-324 * randi (100);   % subnormal
      written = sprintf ("%.17g", value);
    otherwise
      value = -0;
      written = "-0";
  end
end

function text = hex_text (value)
  % The value as a C hexadecimal floating literal.
  bits = typecast (value, "uint64");
  sign_text = "";
  if (bitshift (bits, -63)) sign_text = "-"; end
  exponent = double (bitand (bitshift (bits, -52), uint64 (2047)));
  mantissa = bitand (bits, uint64 (2^52 - 1));
  digits = lower (dec2hex (mantissa, 13));
  if (exponent == 0)
    text = sprintf ("%s0x0.%sp-1022", sign_text, digits);
  else
    text = sprintf ("%s0X1.%sP%+d", sign_text, digits, exponent - 1023);
  end
end

function map = unique_in_order (values)
  map = [];
  for v = values
    if (! any (map == v)) map(end+1) = v; end
  end
end
