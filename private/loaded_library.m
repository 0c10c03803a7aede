function file = loaded_library(maps, name)
%LOADED_LIBRARY  The file of a shared library that a process has loaded.
%
%  file = loaded_library(maps, name) takes the text of /proc/self/maps and
%  returns the path of the first file mapped whose name begins with NAME
%  (such as 'libstdc++.so'), or '' when none does. Each line of the text
%  is "address perms offset device inode path"; the path may hold spaces.

file = '';
paths = regexp(maps, '^\S+\s+\S+\s+\S+\s+\S+\s+\S+\s+(/[^\r\n]*?)\s*$', 'tokens', 'lineanchors');
for k = 1:numel(paths)
  [~, base, extension] = fileparts(paths{k}{1});
  if strncmp([base extension], name, numel(name))
    file = paths{k}{1};
    return;
  end
end
end
