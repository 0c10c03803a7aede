function message = compiler_problem(compiler, release, os)
%COMPILER_PROBLEM  Why the compiler selected for mex cannot build quarnel, or ''.
%
%  message = compiler_problem(compiler, release, os) takes the selected C++
%  compiler as mex.getCompilerConfigurations('C++', 'Selected') gives it
%  (a struct or object with Name, Manufacturer and Version; empty when
%  none is selected), the release as version('-release') gives it
%  ('2019b') and the system, 'linux', 'mac' or 'windows', and returns ''
%  when the compiler can build quarnel, else what to do.
%
%  quarnel is C++17 and uses <charconv> and <optional>: GCC 8 or later
%  (MinGW-w64 8.1, which MATLAB supports from R2020a; its earlier MinGW-w64
%  add-ons were GCC 5.3 and 6.3), Microsoft Visual C++ 2019 (16.0) or
%  later, or Apple's Clang from Xcode. A version that cannot be read is
%  left to the compiler to judge.

message = '';
if isempty(compiler)
  message = 'no C++ compiler is selected for mex: run  mex -setup C++';
  switch os
    case 'windows'
      message = [message ' (first install the MinGW-w64 add-on from the Add-On Explorer, ' ...
                 'or Visual Studio 2019 or later with its C++ tools)'];
    case 'linux'
      message = [message ' (first install g++ 8 or later: sudo apt install g++)'];
    case 'mac'
      message = [message ' (first install Xcode or its Command Line Tools: xcode-select --install)'];
  end
  return;
end
major = str2double(regexp(char(compiler.Version), '^\d+', 'match', 'once'));
if isnan(major)
  return;
end
name = sprintf('%s %s', char(compiler.Name), char(compiler.Version));
needs = 'quarnel needs C++17 with <charconv> and <optional>';
switch char(compiler.Manufacturer)
  case 'GNU'
    if major >= 8
      return;
    end
    if strcmp(os, 'windows')
      message = sprintf(['%s: MinGW-w64 8.1 or later, and the selected compiler is %s. ' ...
                         'MATLAB supports MinGW-w64 8.1 from R2020a'], needs, name);
      if release_number(release) < release_number('2020a')
        message = sprintf(['%s; in R%s use Microsoft Visual C++ 2019 or later ' ...
                           '(mex -setup C++), or a newer MATLAB'], message, release);
      else
        message = sprintf(['%s: install the MinGW-w64 add-on again from the Add-On Explorer, ' ...
                           'then run  mex -setup C++'], message);
      end
    else
      message = sprintf(['%s: GCC 8 or later, and the selected compiler is %s: install a newer ' ...
                         'g++, then run  mex -setup C++'], needs, name);
    end
  case 'Microsoft'
    if major < 16
      message = sprintf(['%s: Microsoft Visual C++ 2019 (16.0) or later, and the selected ' ...
                         'compiler is %s: install Visual Studio 2019 or later with its C++ ' ...
                         'tools, then run  mex -setup C++'], needs, name);
    end
end
end

function number = release_number(release)
% 2017b is 2017.5, 2018a 2018.
number = str2double(release(1:4)) + (lower(release(end)) - 'a') / 2;
end
