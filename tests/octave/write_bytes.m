function write_bytes (name, bytes)
  % Writes `bytes` (characters or uint8) to the file `name`, as they are.
  fid = fopen (name, "wb");
  fwrite (fid, bytes, "uchar");
  fclose (fid);
end
