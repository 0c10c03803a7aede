function [too_new, limits] = cxx_library_check(module_table, reference)
%CXX_LIBRARY_CHECK  The C++ library symbol versions a module needs beyond a reference.
%
%  [too_new, limits] = cxx_library_check(module_table, reference) takes
%  the text that objdump -T prints for a module and returns, as a struct
%  array with fields symbol, version and limit (such as
%  '_ZNSt6thread6_StateD2Ev', 'GLIBCXX_3.4.22', 'GLIBCXX_3.4.21'), each
%  symbol the module takes from libstdc++ at a GLIBCXX_ or CXXABI_
%  version newer than the reference provides. The dynamic loader refuses
%  such a module in a process that has loaded an older libstdc++, as
%  MATLAB does with its own.
%
%  REFERENCE is either the text objdump -T prints for the libstdc++ the
%  module is to be loaded with, whose newest version of each kind is the
%  limit, or the limits themselves, struct('GLIBCXX', '3.4.25',
%  'CXXABI', '1.3.11'). LIMITS is the struct of limits used; it is empty
%  when the reference text names no GLIBCXX version (not a libstdc++, or
%  objdump failed), and then nothing is judged.

if isstruct(reference)
  limits = reference;
else
  limits = newest_defined(reference);
end
too_new = struct('symbol', {}, 'version', {}, 'limit', {});
if isempty(limits)
  return;
end
entries = versioned_symbols(module_table);
for k = 1:numel(entries)
  entry = entries(k);
  if ~entry.undefined || ~isfield(limits, entry.kind)
    continue;
  end
  limit = limits.(entry.kind);
  if compare_versions(entry.number, limit) > 0
    too_new(end + 1) = struct('symbol', entry.symbol, ...
                              'version', [entry.kind '_' entry.number], ...
                              'limit', [entry.kind '_' limit]);
  end
end
end

function limits = newest_defined(table)
% The newest GLIBCXX and CXXABI version of the symbols a library defines.
limits = struct();
entries = versioned_symbols(table);
for k = 1:numel(entries)
  entry = entries(k);
  if entry.undefined
    continue;
  end
  if ~isfield(limits, entry.kind) || compare_versions(entry.number, limits.(entry.kind)) > 0
    limits.(entry.kind) = entry.number;
  end
end
if ~isfield(limits, 'GLIBCXX')
  limits = [];
end
end

function entries = versioned_symbols(table)
% Each line of objdump -T that names a symbol at a numbered GLIBCXX or
% CXXABI version, such as
%   0000000000000000      DF *UND*  0000000000000000 (GLIBCXX_3.4.22) _ZNSt6thread6_StateD2Ev
%   00000000000ee280  w   DF .text  000000000000000c  GLIBCXX_3.4 _ZNSsC1Ev
% (the version in parentheses where it is not the symbol's default).
% Versions without a number (CXXABI_TM_1, CXXABI_FLOAT128) are left out.
entries = struct('kind', {}, 'number', {}, 'symbol', {}, 'undefined', {});
lines = regexp(table, '[^\r\n]+', 'match');
for k = 1:numel(lines)
  tokens = regexp(lines{k}, '[ (](GLIBCXX|CXXABI)_([0-9]+(?:\.[0-9]+)*)\)?\s+(\S+)\s*$', ...
                  'tokens', 'once');
  if isempty(tokens)
    continue;
  end
  entries(end + 1) = struct('kind', tokens{1}, 'number', tokens{2}, 'symbol', tokens{3}, ...
                            'undefined', ~isempty(strfind(lines{k}, '*UND*')));
end
end

function order = compare_versions(a, b)
% -1, 0 or 1 as dotted version A is older than, the same as or newer than B.
x = str2double(strsplit(a, '.'));
y = str2double(strsplit(b, '.'));
count = max(numel(x), numel(y));
x(end + 1:count) = 0;
y(end + 1:count) = 0;
order = 0;
different = find(x ~= y, 1);
if ~isempty(different)
  order = sign(x(different) - y(different));
end
end
