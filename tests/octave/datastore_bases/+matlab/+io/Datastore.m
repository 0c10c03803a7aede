classdef Datastore < handle
  % Test stand-in for MATLAB's matlab.io.Datastore (see README.md): the four
  % methods every custom datastore must define.
  methods
    function tf = hasdata (ds)
      error ("Datastore: hasdata is abstract");
    end
    function [data, info] = read (ds)
      error ("Datastore: read is abstract");
    end
    function reset (ds)
      error ("Datastore: reset is abstract");
    end
    function p = progress (ds)
      error ("Datastore: progress is abstract");
    end
  end
end
