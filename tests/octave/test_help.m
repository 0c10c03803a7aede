function test_help ()
  % The help text sits beside the module (the oct-file or the MEX file) as
  % quarnel.m; the host still calls the module and reads only its help from
  % the .m file.
  module = which ("quarnel");
  [folder, ~, ext] = fileparts (module);
  assert (any (strcmp (ext, {".oct", ".mex"})), module);
  assert (exist ("quarnel"), 3);
  assert (exist (fullfile (folder, "quarnel.m"), "file"), 2);

  text = evalc ("help quarnel");
  assert (! isempty (strfind (text, module)), text);

  % The usage line in the help is the one a wrong call prints.
  usage = strtrim (evalc ("quarnel ();"));
  assert (strncmp (usage, "Usage: ", 7), usage);
  assert (! isempty (strfind (text, usage)), text);

  % The example in the help loads as the help says it does.
  example = {"3,1 1:0.5 4:2", "1 2:1", " 3:7"};
  for k = 1:numel (example)
    assert (! isempty (strfind (text, ["    " example{k} "\n"])), example{k});
  end
  [printed, labels, features, label_map] = ...
    call_quarnel (write_data ([strjoin(example, "\n") "\n"]));
  assert (printed, "");
  assert (! isempty (strfind (text, "label_map = [3; 1]")));
  assert (label_map, [3; 1]);
  assert (! isempty (strfind (text, "label_vector = [1 1; 0 1; 0 0]")));
  assert (full (labels), [1 1; 0 1; 0 0]);
  assert (! isempty (strfind (text, "instance_matrix = [0.5 0 0 2; 0 1 0 0; 0 0 7 0]")));
  assert (full (features), [0.5 0 0 2; 0 1 0 0; 0 0 7 0]);
end
