function folder = define_string_class ()
  % MATLAB passes a string scalar such as "data.txt" as an object of class
  % string, which the module turns into characters through the host's
  % "char". Octave has no string class, so this writes a classdef stand-in
  % named string, with a char method, into a fresh folder and adds it to the
  % path; the module sees the class name and calls char the same way. The
  % caller removes the folder from the path and deletes it.
  folder = tempname ();
  mkdir (folder);
  fid = fopen (fullfile (folder, "string.m"), "w");
  fprintf (fid, "%s\n", "classdef string", "  properties", "    text", "  end", ...
           "  methods", "    function s = string (text)", "      s.text = text;", "    end", ...
           "    function c = char (s)", ...
           "      if (iscell (s.text)) error ('string:char', 'no characters'); end", ...
           "      c = s.text;", "    end", "  end", "end");
  fclose (fid);
  addpath (folder);
end
