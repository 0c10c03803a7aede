function [option, supported] = mex_api_option(release)
%MEX_API_OPTION  The mex option for the gateway's API in a MATLAB release.
%
%  [option, supported] = mex_api_option(release) takes a release as
%  version('-release') gives it ('2017b') and returns the option for 64-bit
%  sizes and indices with real and imaginary parts in separate arrays, the
%  API the gateway's mxGetPr, mxGetIr and mxGetJc calls assume: '-R2017b',
%  which mex knows from R2018a, and '-largeArrayDims' before it. SUPPORTED
%  is false before R2017b, the oldest release quarnel builds in.

% 2017b is 2017.5, 2018a 2018.
number = str2double(release(1:4)) + (lower(release(end)) - 'a') / 2;
if number < 2018
  option = '-largeArrayDims';
else
  option = '-R2017b';
end
supported = number >= 2017.5;
end
