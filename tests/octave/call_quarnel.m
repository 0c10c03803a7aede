function [printed, labels, features, label_map] = call_quarnel (name)
  % Calls the module with three outputs and captures what it prints.
  printed = evalc ("[labels, features, label_map] = quarnel (name);");
end
