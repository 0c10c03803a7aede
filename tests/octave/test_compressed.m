function test_compressed ()
  % Files compressed by each command-line tool load exactly as the plain
  % file they were made from, and as two streams one after the other as
  % both halves would; cut short or damaged, they fail.
  folder = tempname ();
  mkdir (folder);
  unwind_protect
    plain = fullfile (folder, "data.txt");
    % Over a megabyte: the decoders' input and the reader's buffer both
    % refill.
    write_bytes (plain, sample_text (40000));
    half = fullfile (folder, "half.txt");
    write_bytes (half, sample_text (20000));
    expected = load_all (plain);
    assert (expected.printed, "");
    % Each tool, and how far from the end a byte of the data's checksum lies.
    tools = {"gzip", "gzip -c", 7; "bzip2", "bzip2 -c", 2; "xz", "xz -c", 11; "zstd", "zstd -q -c", 2};
    for t = 1:rows (tools)
      [format, command, check_byte] = tools{t, :};
      whole = compress (command, plain, fullfile (folder, ["whole." format]));
      same_load (whole, expected, [format ": whole file"]);

      % Two streams of the same half read as one file of both.
      both = fullfile (folder, ["both." format]);
      part = compress (command, half, fullfile (folder, ["half." format]));
      system (sprintf ("cat '%s' '%s' > '%s'", part, part, both));
      once = load_all (half);
      twice = load_all (both);
      assert (twice.printed, "", [format ": two streams"]);
      assert (isequal (twice.labels, [once.labels; once.labels]) &&
              isequal (twice.features, [once.features; once.features]) &&
              isequal (twice.map, once.map), [format ": two streams"]);

      corrupt_text = sprintf ("can't read input file %%s: its %s-compressed data is corrupt or truncated\n", format);
      bytes = read_bytes (whole);
      % Zero bytes up to a whole 512-byte block after the last stream (tape
      % padding) load as the file alone; any other byte there is damage.
      padded = [bytes, zeros(1, 512 - mod (numel (bytes), 512), "uint8")];
      padded_file = fullfile (folder, ["padded." format]);
      write_bytes (padded_file, padded);
      same_load (padded_file, expected, [format ": zero padding"]);
      write_bytes (padded_file, [padded, 1, zeros(1, 3, "uint8")]);
      fails (padded_file, sprintf (corrupt_text, padded_file), [format ": a byte after the padding"]);
      write_bytes (padded_file, [bytes, uint8("x")]);
      fails (padded_file, sprintf (corrupt_text, padded_file), [format ": a byte after the data"]);

      cut = fullfile (folder, ["cut." format]);
      write_bytes (cut, bytes(1:floor (end / 2)));
      fails (cut, sprintf (corrupt_text, cut), [format ": truncated"]);
      % A bit flipped in the checksum, or in the middle, where the text
      % decoded before the checksum fails can be garbage: named as damage
      % either way, not as a malformed line.
      changed = fullfile (folder, ["changed." format]);
      for at = [numel(bytes) - check_byte, floor(numel (bytes) / 2)]
        flipped = bytes;
        flipped(at) = bitxor (flipped(at), 1);
        write_bytes (changed, flipped);
        fails (changed, sprintf (corrupt_text, changed), sprintf ("%s: bit flipped at %d", format, at));
      end
    end

    % zstd skippable frames (as pzstd writes one first) are read past, at
    % the file's start and between frames.
    zstd_bytes = read_bytes (fullfile (folder, "whole.zstd"));
    skippable = @(last_magic_byte, payload) ...
      [uint8([last_magic_byte, 0x2a, 0x4d, 0x18, numel(payload), 0, 0, 0]), payload];
    pzstd_like = fullfile (folder, "pzstd_like.zst");
    write_bytes (pzstd_like, [skippable(0x50, uint8([25 0 0 0])), zstd_bytes, skippable(0x5f, uint8([]))]);
    same_load (pzstd_like, expected, "zstd: skippable frames");

    % Lines and columns count in the decompressed text.
    bad = fullfile (folder, "bad.txt");
    write_bytes (bad, "1 1:1\n2 2:1\n3 3:x\n");
    bad_gz = compress ("gzip -c", bad, fullfile (folder, "bad.gz"));
    fails (bad_gz, sprintf ("malformed input in %s at line 3, column 5: value is not a number\n", bad_gz), ...
           "malformed gzip");
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    rmdir (folder, "s");
  end_unwind_protect
end

% A comment, then lines of two labels and two pairs; every 7th line ends in
% CR LF, the others in a blank and LF.
function text = sample_text (count)
  i = (1:count)';
  fields = [mod(i, 13), mod(i * 7, 31) + 13, mod(i, 50) + 1, i / 3, mod(i, 50) + 60, i, ...
            32 - 19 * (mod (i, 7) == 0)];
  text = ["# a comment\n" sprintf("%d,%d %d:%.17g %d:%d%c\n", fields')];
end

function result = load_all (name)
  result.printed = evalc ("[result.labels, result.features, result.map] = quarnel (name);");
end

function same_load (name, expected, what)
  got = load_all (name);
  assert (got.printed, expected.printed, what);
  assert (issparse (got.labels) && issparse (got.features), what);
  assert (isequal (got.labels, expected.labels), what);
  assert (isequal (got.features, expected.features), what);
  assert (isequal (got.map, expected.map), what);
end

function fails (name, text, what)
  printed = evalc ("[a, b] = quarnel (name);");
  assert (printed, text, what);
  assert (isequal (size (a), [0 0]) && isequal (size (b), [0 0]), what);
end

function target = compress (command, source, target)
  [status, output] = system (sprintf ("%s '%s' > '%s'", command, source, target));
  assert (status, 0, output);
end

function bytes = read_bytes (name)
  fid = fopen (name, "rb");
  bytes = fread (fid, Inf, "uint8=>uint8")';
  fclose (fid);
end
