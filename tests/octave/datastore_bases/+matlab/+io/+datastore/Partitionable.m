classdef Partitionable < handle
  % Test stand-in for MATLAB's matlab.io.datastore.Partitionable (see
  % README.md): partition and maxpartitions to define, numpartitions given.
  methods
    function subds = partition (ds, n, index)
      error ("Partitionable: partition is abstract");
    end
    function n = numpartitions (ds)
      n = maxpartitions (ds);
    end
  end
  methods (Access = protected)
    function n = maxpartitions (ds)
      error ("Partitionable: maxpartitions is abstract");
    end
  end
end
