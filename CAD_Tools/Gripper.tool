 H= 0 0 92 0 0 0
 Htool0= 0 0 0 0 0 0
 toolparts 2
solid gripper_body
  color 0.58 0.45 0.35
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -22 0
      vertex 4.292 -21.5773 0
      vertex 4.292 -21.5773 7
    endloop
  endfacet
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -22 0
      vertex 4.292 -21.5773 7
      vertex 0 -22 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 4.292 -21.5773 0
      vertex 0 -22 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 0 -22 7
      vertex 4.292 -21.5773 7
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 4.292 -21.5773 0
      vertex 8.419 -20.3253 0
      vertex 8.419 -20.3253 7
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 4.292 -21.5773 0
      vertex 8.419 -20.3253 7
      vertex 4.292 -21.5773 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 8.419 -20.3253 0
      vertex 4.292 -21.5773 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 4.292 -21.5773 7
      vertex 8.419 -20.3253 7
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 8.419 -20.3253 0
      vertex 12.2225 -18.2923 0
      vertex 12.2225 -18.2923 7
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 8.419 -20.3253 0
      vertex 12.2225 -18.2923 7
      vertex 8.419 -20.3253 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 12.2225 -18.2923 0
      vertex 8.419 -20.3253 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 8.419 -20.3253 7
      vertex 12.2225 -18.2923 7
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 12.2225 -18.2923 0
      vertex 15.5563 -15.5563 0
      vertex 15.5563 -15.5563 7
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 12.2225 -18.2923 0
      vertex 15.5563 -15.5563 7
      vertex 12.2225 -18.2923 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 15.5563 -15.5563 0
      vertex 12.2225 -18.2923 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 12.2225 -18.2923 7
      vertex 15.5563 -15.5563 7
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 15.5563 -15.5563 0
      vertex 18.2923 -12.2225 0
      vertex 18.2923 -12.2225 7
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 15.5563 -15.5563 0
      vertex 18.2923 -12.2225 7
      vertex 15.5563 -15.5563 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 18.2923 -12.2225 0
      vertex 15.5563 -15.5563 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 15.5563 -15.5563 7
      vertex 18.2923 -12.2225 7
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 18.2923 -12.2225 0
      vertex 20.3253 -8.419 0
      vertex 20.3253 -8.419 7
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 18.2923 -12.2225 0
      vertex 20.3253 -8.419 7
      vertex 18.2923 -12.2225 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 20.3253 -8.419 0
      vertex 18.2923 -12.2225 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 18.2923 -12.2225 7
      vertex 20.3253 -8.419 7
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 20.3253 -8.419 0
      vertex 21.5773 -4.292 0
      vertex 21.5773 -4.292 7
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 20.3253 -8.419 0
      vertex 21.5773 -4.292 7
      vertex 20.3253 -8.419 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 21.5773 -4.292 0
      vertex 20.3253 -8.419 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 20.3253 -8.419 7
      vertex 21.5773 -4.292 7
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 21.5773 -4.292 0
      vertex 22 0 0
      vertex 22 0 7
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 21.5773 -4.292 0
      vertex 22 0 7
      vertex 21.5773 -4.292 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 22 0 0
      vertex 21.5773 -4.292 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 21.5773 -4.292 7
      vertex 22 0 7
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 22 0 0
      vertex 21.5773 4.292 0
      vertex 21.5773 4.292 7
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 22 0 0
      vertex 21.5773 4.292 7
      vertex 22 0 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 21.5773 4.292 0
      vertex 22 0 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 22 0 7
      vertex 21.5773 4.292 7
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 21.5773 4.292 0
      vertex 20.3253 8.419 0
      vertex 20.3253 8.419 7
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 21.5773 4.292 0
      vertex 20.3253 8.419 7
      vertex 21.5773 4.292 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 20.3253 8.419 0
      vertex 21.5773 4.292 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 21.5773 4.292 7
      vertex 20.3253 8.419 7
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 20.3253 8.419 0
      vertex 18.2923 12.2225 0
      vertex 18.2923 12.2225 7
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 20.3253 8.419 0
      vertex 18.2923 12.2225 7
      vertex 20.3253 8.419 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 18.2923 12.2225 0
      vertex 20.3253 8.419 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 20.3253 8.419 7
      vertex 18.2923 12.2225 7
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 18.2923 12.2225 0
      vertex 15.5563 15.5563 0
      vertex 15.5563 15.5563 7
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 18.2923 12.2225 0
      vertex 15.5563 15.5563 7
      vertex 18.2923 12.2225 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 15.5563 15.5563 0
      vertex 18.2923 12.2225 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 18.2923 12.2225 7
      vertex 15.5563 15.5563 7
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 15.5563 15.5563 0
      vertex 12.2225 18.2923 0
      vertex 12.2225 18.2923 7
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 15.5563 15.5563 0
      vertex 12.2225 18.2923 7
      vertex 15.5563 15.5563 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 12.2225 18.2923 0
      vertex 15.5563 15.5563 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 15.5563 15.5563 7
      vertex 12.2225 18.2923 7
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 12.2225 18.2923 0
      vertex 8.419 20.3253 0
      vertex 8.419 20.3253 7
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 12.2225 18.2923 0
      vertex 8.419 20.3253 7
      vertex 12.2225 18.2923 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 8.419 20.3253 0
      vertex 12.2225 18.2923 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 12.2225 18.2923 7
      vertex 8.419 20.3253 7
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 8.419 20.3253 0
      vertex 4.292 21.5773 0
      vertex 4.292 21.5773 7
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 8.419 20.3253 0
      vertex 4.292 21.5773 7
      vertex 8.419 20.3253 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 4.292 21.5773 0
      vertex 8.419 20.3253 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 8.419 20.3253 7
      vertex 4.292 21.5773 7
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 4.292 21.5773 0
      vertex 0 22 0
      vertex 0 22 7
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 4.292 21.5773 0
      vertex 0 22 7
      vertex 4.292 21.5773 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 0 22 0
      vertex 4.292 21.5773 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 4.292 21.5773 7
      vertex 0 22 7
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 22 0
      vertex -4.292 21.5773 0
      vertex -4.292 21.5773 7
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 22 0
      vertex -4.292 21.5773 7
      vertex 0 22 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -4.292 21.5773 0
      vertex 0 22 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex 0 22 7
      vertex -4.292 21.5773 7
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -4.292 21.5773 0
      vertex -8.419 20.3253 0
      vertex -8.419 20.3253 7
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -4.292 21.5773 0
      vertex -8.419 20.3253 7
      vertex -4.292 21.5773 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -8.419 20.3253 0
      vertex -4.292 21.5773 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -4.292 21.5773 7
      vertex -8.419 20.3253 7
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -8.419 20.3253 0
      vertex -12.2225 18.2923 0
      vertex -12.2225 18.2923 7
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -8.419 20.3253 0
      vertex -12.2225 18.2923 7
      vertex -8.419 20.3253 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -12.2225 18.2923 0
      vertex -8.419 20.3253 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -8.419 20.3253 7
      vertex -12.2225 18.2923 7
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -12.2225 18.2923 0
      vertex -15.5563 15.5563 0
      vertex -15.5563 15.5563 7
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -12.2225 18.2923 0
      vertex -15.5563 15.5563 7
      vertex -12.2225 18.2923 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -15.5563 15.5563 0
      vertex -12.2225 18.2923 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -12.2225 18.2923 7
      vertex -15.5563 15.5563 7
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -15.5563 15.5563 0
      vertex -18.2923 12.2225 0
      vertex -18.2923 12.2225 7
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -15.5563 15.5563 0
      vertex -18.2923 12.2225 7
      vertex -15.5563 15.5563 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -18.2923 12.2225 0
      vertex -15.5563 15.5563 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -15.5563 15.5563 7
      vertex -18.2923 12.2225 7
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -18.2923 12.2225 0
      vertex -20.3253 8.419 0
      vertex -20.3253 8.419 7
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -18.2923 12.2225 0
      vertex -20.3253 8.419 7
      vertex -18.2923 12.2225 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -20.3253 8.419 0
      vertex -18.2923 12.2225 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -18.2923 12.2225 7
      vertex -20.3253 8.419 7
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -20.3253 8.419 0
      vertex -21.5773 4.292 0
      vertex -21.5773 4.292 7
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -20.3253 8.419 0
      vertex -21.5773 4.292 7
      vertex -20.3253 8.419 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -21.5773 4.292 0
      vertex -20.3253 8.419 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -20.3253 8.419 7
      vertex -21.5773 4.292 7
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -21.5773 4.292 0
      vertex -22 0 0
      vertex -22 0 7
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -21.5773 4.292 0
      vertex -22 0 7
      vertex -21.5773 4.292 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -22 0 0
      vertex -21.5773 4.292 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -21.5773 4.292 7
      vertex -22 0 7
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -22 0 0
      vertex -21.5773 -4.292 0
      vertex -21.5773 -4.292 7
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -22 0 0
      vertex -21.5773 -4.292 7
      vertex -22 0 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -21.5773 -4.292 0
      vertex -22 0 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -22 0 7
      vertex -21.5773 -4.292 7
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -21.5773 -4.292 0
      vertex -20.3253 -8.419 0
      vertex -20.3253 -8.419 7
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -21.5773 -4.292 0
      vertex -20.3253 -8.419 7
      vertex -21.5773 -4.292 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -20.3253 -8.419 0
      vertex -21.5773 -4.292 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -21.5773 -4.292 7
      vertex -20.3253 -8.419 7
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -20.3253 -8.419 0
      vertex -18.2923 -12.2225 0
      vertex -18.2923 -12.2225 7
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -20.3253 -8.419 0
      vertex -18.2923 -12.2225 7
      vertex -20.3253 -8.419 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -18.2923 -12.2225 0
      vertex -20.3253 -8.419 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -20.3253 -8.419 7
      vertex -18.2923 -12.2225 7
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -18.2923 -12.2225 0
      vertex -15.5563 -15.5563 0
      vertex -15.5563 -15.5563 7
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -18.2923 -12.2225 0
      vertex -15.5563 -15.5563 7
      vertex -18.2923 -12.2225 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -15.5563 -15.5563 0
      vertex -18.2923 -12.2225 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -18.2923 -12.2225 7
      vertex -15.5563 -15.5563 7
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -15.5563 -15.5563 0
      vertex -12.2225 -18.2923 0
      vertex -12.2225 -18.2923 7
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -15.5563 -15.5563 0
      vertex -12.2225 -18.2923 7
      vertex -15.5563 -15.5563 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -12.2225 -18.2923 0
      vertex -15.5563 -15.5563 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -15.5563 -15.5563 7
      vertex -12.2225 -18.2923 7
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -12.2225 -18.2923 0
      vertex -8.419 -20.3253 0
      vertex -8.419 -20.3253 7
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -12.2225 -18.2923 0
      vertex -8.419 -20.3253 7
      vertex -12.2225 -18.2923 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -8.419 -20.3253 0
      vertex -12.2225 -18.2923 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -12.2225 -18.2923 7
      vertex -8.419 -20.3253 7
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -8.419 -20.3253 0
      vertex -4.292 -21.5773 0
      vertex -4.292 -21.5773 7
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -8.419 -20.3253 0
      vertex -4.292 -21.5773 7
      vertex -8.419 -20.3253 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -4.292 -21.5773 0
      vertex -8.419 -20.3253 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -8.419 -20.3253 7
      vertex -4.292 -21.5773 7
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -4.292 -21.5773 0
      vertex 0 -22 0
      vertex 0 -22 7
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -4.292 -21.5773 0
      vertex 0 -22 7
      vertex -4.292 -21.5773 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 0 -22 0
      vertex -4.292 -21.5773 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 7
      vertex -4.292 -21.5773 7
      vertex 0 -22 7
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex -36 -17 6
      vertex -36 17 6
      vertex 36 17 6
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex -36 -17 6
      vertex 36 17 6
      vertex 36 -17 6
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex -36 -17 46
      vertex 36 -17 46
      vertex 36 17 46
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex -36 -17 46
      vertex 36 17 46
      vertex -36 17 46
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex -36 -17 6
      vertex 36 -17 6
      vertex 36 -17 46
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex -36 -17 6
      vertex 36 -17 46
      vertex -36 -17 46
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 36 -17 6
      vertex 36 17 6
      vertex 36 17 46
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 36 -17 6
      vertex 36 17 46
      vertex 36 -17 46
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 36 17 6
      vertex -36 17 6
      vertex -36 17 46
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 36 17 6
      vertex -36 17 46
      vertex 36 17 46
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex -36 17 6
      vertex -36 -17 6
      vertex -36 -17 46
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex -36 17 6
      vertex -36 -17 46
      vertex -36 17 46
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex -33 -8 45
      vertex -33 8 45
      vertex 33 8 45
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex -33 -8 45
      vertex 33 8 45
      vertex 33 -8 45
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex -33 -8 50
      vertex 33 -8 50
      vertex 33 8 50
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex -33 -8 50
      vertex 33 8 50
      vertex -33 8 50
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex -33 -8 45
      vertex 33 -8 45
      vertex 33 -8 50
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex -33 -8 45
      vertex 33 -8 50
      vertex -33 -8 50
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 33 -8 45
      vertex 33 8 45
      vertex 33 8 50
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 33 -8 45
      vertex 33 8 50
      vertex 33 -8 50
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 33 8 45
      vertex -33 8 45
      vertex -33 8 50
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 33 8 45
      vertex -33 8 50
      vertex 33 8 50
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex -33 8 45
      vertex -33 -8 45
      vertex -33 -8 50
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex -33 8 45
      vertex -33 -8 50
      vertex -33 8 50
    endloop
  endfacet
endsolid gripper_body
