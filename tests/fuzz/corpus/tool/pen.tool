 H= 0 0 100 0 0 0
 Htool0= 0 0 0 90 0 0
 toolparts 2
 vertex 1 2 3
 normal 0 0 1
 color 1 0 0
