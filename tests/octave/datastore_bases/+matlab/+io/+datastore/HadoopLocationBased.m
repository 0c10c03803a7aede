classdef HadoopLocationBased < handle
  % Test stand-in for MATLAB's matlab.io.datastore.HadoopLocationBased (see
  % README.md): the three hidden methods Hadoop calls.
  methods (Hidden = true)
    function location = getLocation (ds)
      error ("HadoopLocationBased: getLocation is abstract");
    end
    function initializeDatastore (ds, info)
      error ("HadoopLocationBased: initializeDatastore is abstract");
    end
    function tf = isfullfile (ds)
      error ("HadoopLocationBased: isfullfile is abstract");
    end
  end
end
