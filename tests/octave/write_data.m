function name = write_data (text)
  % Writes `text` (printf escapes expanded) to a fresh temporary file.
  name = [tempname() ".txt"];
  fid = fopen (name, "wb");
  fwrite (fid, sprintf (strrep (text, "%", "%%")));
  fclose (fid);
end
