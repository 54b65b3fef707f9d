 H= 0 0 140 0 0 0
 Htool0= 0 0 0 0 0 0
 toolparts 2
solid crayon_holder
  color 0.67 0.64 0.62
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -20 0
      vertex 3.9018 -19.6157 0
      vertex 3.9018 -19.6157 5
    endloop
  endfacet
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -20 0
      vertex 3.9018 -19.6157 5
      vertex 0 -20 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 3.9018 -19.6157 0
      vertex 0 -20 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 0 -20 5
      vertex 3.9018 -19.6157 5
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 3.9018 -19.6157 0
      vertex 7.6537 -18.4776 0
      vertex 7.6537 -18.4776 5
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 3.9018 -19.6157 0
      vertex 7.6537 -18.4776 5
      vertex 3.9018 -19.6157 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 7.6537 -18.4776 0
      vertex 3.9018 -19.6157 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 3.9018 -19.6157 5
      vertex 7.6537 -18.4776 5
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 7.6537 -18.4776 0
      vertex 11.1114 -16.6294 0
      vertex 11.1114 -16.6294 5
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 7.6537 -18.4776 0
      vertex 11.1114 -16.6294 5
      vertex 7.6537 -18.4776 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 11.1114 -16.6294 0
      vertex 7.6537 -18.4776 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 7.6537 -18.4776 5
      vertex 11.1114 -16.6294 5
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 11.1114 -16.6294 0
      vertex 14.1421 -14.1421 0
      vertex 14.1421 -14.1421 5
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 11.1114 -16.6294 0
      vertex 14.1421 -14.1421 5
      vertex 11.1114 -16.6294 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 14.1421 -14.1421 0
      vertex 11.1114 -16.6294 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 11.1114 -16.6294 5
      vertex 14.1421 -14.1421 5
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 14.1421 -14.1421 0
      vertex 16.6294 -11.1114 0
      vertex 16.6294 -11.1114 5
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 14.1421 -14.1421 0
      vertex 16.6294 -11.1114 5
      vertex 14.1421 -14.1421 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 16.6294 -11.1114 0
      vertex 14.1421 -14.1421 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 14.1421 -14.1421 5
      vertex 16.6294 -11.1114 5
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 16.6294 -11.1114 0
      vertex 18.4776 -7.6537 0
      vertex 18.4776 -7.6537 5
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 16.6294 -11.1114 0
      vertex 18.4776 -7.6537 5
      vertex 16.6294 -11.1114 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 18.4776 -7.6537 0
      vertex 16.6294 -11.1114 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 16.6294 -11.1114 5
      vertex 18.4776 -7.6537 5
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 18.4776 -7.6537 0
      vertex 19.6157 -3.9018 0
      vertex 19.6157 -3.9018 5
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 18.4776 -7.6537 0
      vertex 19.6157 -3.9018 5
      vertex 18.4776 -7.6537 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 19.6157 -3.9018 0
      vertex 18.4776 -7.6537 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 18.4776 -7.6537 5
      vertex 19.6157 -3.9018 5
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 19.6157 -3.9018 0
      vertex 20 0 0
      vertex 20 0 5
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 19.6157 -3.9018 0
      vertex 20 0 5
      vertex 19.6157 -3.9018 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 20 0 0
      vertex 19.6157 -3.9018 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 19.6157 -3.9018 5
      vertex 20 0 5
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 20 0 0
      vertex 19.6157 3.9018 0
      vertex 19.6157 3.9018 5
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 20 0 0
      vertex 19.6157 3.9018 5
      vertex 20 0 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 19.6157 3.9018 0
      vertex 20 0 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 20 0 5
      vertex 19.6157 3.9018 5
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 19.6157 3.9018 0
      vertex 18.4776 7.6537 0
      vertex 18.4776 7.6537 5
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 19.6157 3.9018 0
      vertex 18.4776 7.6537 5
      vertex 19.6157 3.9018 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 18.4776 7.6537 0
      vertex 19.6157 3.9018 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 19.6157 3.9018 5
      vertex 18.4776 7.6537 5
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 18.4776 7.6537 0
      vertex 16.6294 11.1114 0
      vertex 16.6294 11.1114 5
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 18.4776 7.6537 0
      vertex 16.6294 11.1114 5
      vertex 18.4776 7.6537 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 16.6294 11.1114 0
      vertex 18.4776 7.6537 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 18.4776 7.6537 5
      vertex 16.6294 11.1114 5
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 16.6294 11.1114 0
      vertex 14.1421 14.1421 0
      vertex 14.1421 14.1421 5
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 16.6294 11.1114 0
      vertex 14.1421 14.1421 5
      vertex 16.6294 11.1114 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 14.1421 14.1421 0
      vertex 16.6294 11.1114 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 16.6294 11.1114 5
      vertex 14.1421 14.1421 5
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 14.1421 14.1421 0
      vertex 11.1114 16.6294 0
      vertex 11.1114 16.6294 5
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 14.1421 14.1421 0
      vertex 11.1114 16.6294 5
      vertex 14.1421 14.1421 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 11.1114 16.6294 0
      vertex 14.1421 14.1421 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 14.1421 14.1421 5
      vertex 11.1114 16.6294 5
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 11.1114 16.6294 0
      vertex 7.6537 18.4776 0
      vertex 7.6537 18.4776 5
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 11.1114 16.6294 0
      vertex 7.6537 18.4776 5
      vertex 11.1114 16.6294 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 7.6537 18.4776 0
      vertex 11.1114 16.6294 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 11.1114 16.6294 5
      vertex 7.6537 18.4776 5
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 7.6537 18.4776 0
      vertex 3.9018 19.6157 0
      vertex 3.9018 19.6157 5
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 7.6537 18.4776 0
      vertex 3.9018 19.6157 5
      vertex 7.6537 18.4776 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 3.9018 19.6157 0
      vertex 7.6537 18.4776 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 7.6537 18.4776 5
      vertex 3.9018 19.6157 5
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 3.9018 19.6157 0
      vertex 0 20 0
      vertex 0 20 5
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 3.9018 19.6157 0
      vertex 0 20 5
      vertex 3.9018 19.6157 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 0 20 0
      vertex 3.9018 19.6157 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 3.9018 19.6157 5
      vertex 0 20 5
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 20 0
      vertex -3.9018 19.6157 0
      vertex -3.9018 19.6157 5
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 20 0
      vertex -3.9018 19.6157 5
      vertex 0 20 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -3.9018 19.6157 0
      vertex 0 20 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex 0 20 5
      vertex -3.9018 19.6157 5
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -3.9018 19.6157 0
      vertex -7.6537 18.4776 0
      vertex -7.6537 18.4776 5
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -3.9018 19.6157 0
      vertex -7.6537 18.4776 5
      vertex -3.9018 19.6157 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -7.6537 18.4776 0
      vertex -3.9018 19.6157 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -3.9018 19.6157 5
      vertex -7.6537 18.4776 5
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -7.6537 18.4776 0
      vertex -11.1114 16.6294 0
      vertex -11.1114 16.6294 5
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -7.6537 18.4776 0
      vertex -11.1114 16.6294 5
      vertex -7.6537 18.4776 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -11.1114 16.6294 0
      vertex -7.6537 18.4776 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -7.6537 18.4776 5
      vertex -11.1114 16.6294 5
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -11.1114 16.6294 0
      vertex -14.1421 14.1421 0
      vertex -14.1421 14.1421 5
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -11.1114 16.6294 0
      vertex -14.1421 14.1421 5
      vertex -11.1114 16.6294 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -14.1421 14.1421 0
      vertex -11.1114 16.6294 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -11.1114 16.6294 5
      vertex -14.1421 14.1421 5
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -14.1421 14.1421 0
      vertex -16.6294 11.1114 0
      vertex -16.6294 11.1114 5
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -14.1421 14.1421 0
      vertex -16.6294 11.1114 5
      vertex -14.1421 14.1421 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -16.6294 11.1114 0
      vertex -14.1421 14.1421 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -14.1421 14.1421 5
      vertex -16.6294 11.1114 5
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -16.6294 11.1114 0
      vertex -18.4776 7.6537 0
      vertex -18.4776 7.6537 5
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -16.6294 11.1114 0
      vertex -18.4776 7.6537 5
      vertex -16.6294 11.1114 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -18.4776 7.6537 0
      vertex -16.6294 11.1114 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -16.6294 11.1114 5
      vertex -18.4776 7.6537 5
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -18.4776 7.6537 0
      vertex -19.6157 3.9018 0
      vertex -19.6157 3.9018 5
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -18.4776 7.6537 0
      vertex -19.6157 3.9018 5
      vertex -18.4776 7.6537 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -19.6157 3.9018 0
      vertex -18.4776 7.6537 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -18.4776 7.6537 5
      vertex -19.6157 3.9018 5
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -19.6157 3.9018 0
      vertex -20 0 0
      vertex -20 0 5
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -19.6157 3.9018 0
      vertex -20 0 5
      vertex -19.6157 3.9018 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -20 0 0
      vertex -19.6157 3.9018 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -19.6157 3.9018 5
      vertex -20 0 5
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -20 0 0
      vertex -19.6157 -3.9018 0
      vertex -19.6157 -3.9018 5
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -20 0 0
      vertex -19.6157 -3.9018 5
      vertex -20 0 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -19.6157 -3.9018 0
      vertex -20 0 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -20 0 5
      vertex -19.6157 -3.9018 5
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -19.6157 -3.9018 0
      vertex -18.4776 -7.6537 0
      vertex -18.4776 -7.6537 5
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -19.6157 -3.9018 0
      vertex -18.4776 -7.6537 5
      vertex -19.6157 -3.9018 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -18.4776 -7.6537 0
      vertex -19.6157 -3.9018 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -19.6157 -3.9018 5
      vertex -18.4776 -7.6537 5
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -18.4776 -7.6537 0
      vertex -16.6294 -11.1114 0
      vertex -16.6294 -11.1114 5
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -18.4776 -7.6537 0
      vertex -16.6294 -11.1114 5
      vertex -18.4776 -7.6537 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -16.6294 -11.1114 0
      vertex -18.4776 -7.6537 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -18.4776 -7.6537 5
      vertex -16.6294 -11.1114 5
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -16.6294 -11.1114 0
      vertex -14.1421 -14.1421 0
      vertex -14.1421 -14.1421 5
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -16.6294 -11.1114 0
      vertex -14.1421 -14.1421 5
      vertex -16.6294 -11.1114 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -14.1421 -14.1421 0
      vertex -16.6294 -11.1114 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -16.6294 -11.1114 5
      vertex -14.1421 -14.1421 5
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -14.1421 -14.1421 0
      vertex -11.1114 -16.6294 0
      vertex -11.1114 -16.6294 5
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -14.1421 -14.1421 0
      vertex -11.1114 -16.6294 5
      vertex -14.1421 -14.1421 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -11.1114 -16.6294 0
      vertex -14.1421 -14.1421 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -14.1421 -14.1421 5
      vertex -11.1114 -16.6294 5
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -11.1114 -16.6294 0
      vertex -7.6537 -18.4776 0
      vertex -7.6537 -18.4776 5
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -11.1114 -16.6294 0
      vertex -7.6537 -18.4776 5
      vertex -11.1114 -16.6294 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -7.6537 -18.4776 0
      vertex -11.1114 -16.6294 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -11.1114 -16.6294 5
      vertex -7.6537 -18.4776 5
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -7.6537 -18.4776 0
      vertex -3.9018 -19.6157 0
      vertex -3.9018 -19.6157 5
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -7.6537 -18.4776 0
      vertex -3.9018 -19.6157 5
      vertex -7.6537 -18.4776 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex -3.9018 -19.6157 0
      vertex -7.6537 -18.4776 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -7.6537 -18.4776 5
      vertex -3.9018 -19.6157 5
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -3.9018 -19.6157 0
      vertex 0 -20 0
      vertex 0 -20 5
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -3.9018 -19.6157 0
      vertex 0 -20 5
      vertex -3.9018 -19.6157 5
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 0
      vertex 0 -20 0
      vertex -3.9018 -19.6157 0
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 5
      vertex -3.9018 -19.6157 5
      vertex 0 -20 5
    endloop
  endfacet
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -11 4
      vertex 2.146 -10.7886 4
      vertex 2.146 -10.7886 30
    endloop
  endfacet
  facet normal 0.098 -0.9952 0
    outer loop
      vertex 0 -11 4
      vertex 2.146 -10.7886 30
      vertex 0 -11 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 2.146 -10.7886 4
      vertex 0 -11 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 0 -11 30
      vertex 2.146 -10.7886 30
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 2.146 -10.7886 4
      vertex 4.2095 -10.1627 4
      vertex 4.2095 -10.1627 30
    endloop
  endfacet
  facet normal 0.2903 -0.9569 0
    outer loop
      vertex 2.146 -10.7886 4
      vertex 4.2095 -10.1627 30
      vertex 2.146 -10.7886 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 4.2095 -10.1627 4
      vertex 2.146 -10.7886 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 2.146 -10.7886 30
      vertex 4.2095 -10.1627 30
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 4.2095 -10.1627 4
      vertex 6.1113 -9.1462 4
      vertex 6.1113 -9.1462 30
    endloop
  endfacet
  facet normal 0.4714 -0.8819 0
    outer loop
      vertex 4.2095 -10.1627 4
      vertex 6.1113 -9.1462 30
      vertex 4.2095 -10.1627 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 6.1113 -9.1462 4
      vertex 4.2095 -10.1627 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 4.2095 -10.1627 30
      vertex 6.1113 -9.1462 30
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 6.1113 -9.1462 4
      vertex 7.7782 -7.7782 4
      vertex 7.7782 -7.7782 30
    endloop
  endfacet
  facet normal 0.6344 -0.773 0
    outer loop
      vertex 6.1113 -9.1462 4
      vertex 7.7782 -7.7782 30
      vertex 6.1113 -9.1462 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 7.7782 -7.7782 4
      vertex 6.1113 -9.1462 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 6.1113 -9.1462 30
      vertex 7.7782 -7.7782 30
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 7.7782 -7.7782 4
      vertex 9.1462 -6.1113 4
      vertex 9.1462 -6.1113 30
    endloop
  endfacet
  facet normal 0.773 -0.6344 0
    outer loop
      vertex 7.7782 -7.7782 4
      vertex 9.1462 -6.1113 30
      vertex 7.7782 -7.7782 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 9.1462 -6.1113 4
      vertex 7.7782 -7.7782 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 7.7782 -7.7782 30
      vertex 9.1462 -6.1113 30
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 9.1462 -6.1113 4
      vertex 10.1627 -4.2095 4
      vertex 10.1627 -4.2095 30
    endloop
  endfacet
  facet normal 0.8819 -0.4714 0
    outer loop
      vertex 9.1462 -6.1113 4
      vertex 10.1627 -4.2095 30
      vertex 9.1462 -6.1113 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 10.1627 -4.2095 4
      vertex 9.1462 -6.1113 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 9.1462 -6.1113 30
      vertex 10.1627 -4.2095 30
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 10.1627 -4.2095 4
      vertex 10.7886 -2.146 4
      vertex 10.7886 -2.146 30
    endloop
  endfacet
  facet normal 0.9569 -0.2903 0
    outer loop
      vertex 10.1627 -4.2095 4
      vertex 10.7886 -2.146 30
      vertex 10.1627 -4.2095 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 10.7886 -2.146 4
      vertex 10.1627 -4.2095 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 10.1627 -4.2095 30
      vertex 10.7886 -2.146 30
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 10.7886 -2.146 4
      vertex 11 0 4
      vertex 11 0 30
    endloop
  endfacet
  facet normal 0.9952 -0.098 0
    outer loop
      vertex 10.7886 -2.146 4
      vertex 11 0 30
      vertex 10.7886 -2.146 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 11 0 4
      vertex 10.7886 -2.146 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 10.7886 -2.146 30
      vertex 11 0 30
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 11 0 4
      vertex 10.7886 2.146 4
      vertex 10.7886 2.146 30
    endloop
  endfacet
  facet normal 0.9952 0.098 0
    outer loop
      vertex 11 0 4
      vertex 10.7886 2.146 30
      vertex 11 0 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 10.7886 2.146 4
      vertex 11 0 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 11 0 30
      vertex 10.7886 2.146 30
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 10.7886 2.146 4
      vertex 10.1627 4.2095 4
      vertex 10.1627 4.2095 30
    endloop
  endfacet
  facet normal 0.9569 0.2903 0
    outer loop
      vertex 10.7886 2.146 4
      vertex 10.1627 4.2095 30
      vertex 10.7886 2.146 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 10.1627 4.2095 4
      vertex 10.7886 2.146 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 10.7886 2.146 30
      vertex 10.1627 4.2095 30
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 10.1627 4.2095 4
      vertex 9.1462 6.1113 4
      vertex 9.1462 6.1113 30
    endloop
  endfacet
  facet normal 0.8819 0.4714 0
    outer loop
      vertex 10.1627 4.2095 4
      vertex 9.1462 6.1113 30
      vertex 10.1627 4.2095 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 9.1462 6.1113 4
      vertex 10.1627 4.2095 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 10.1627 4.2095 30
      vertex 9.1462 6.1113 30
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 9.1462 6.1113 4
      vertex 7.7782 7.7782 4
      vertex 7.7782 7.7782 30
    endloop
  endfacet
  facet normal 0.773 0.6344 0
    outer loop
      vertex 9.1462 6.1113 4
      vertex 7.7782 7.7782 30
      vertex 9.1462 6.1113 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 7.7782 7.7782 4
      vertex 9.1462 6.1113 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 9.1462 6.1113 30
      vertex 7.7782 7.7782 30
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 7.7782 7.7782 4
      vertex 6.1113 9.1462 4
      vertex 6.1113 9.1462 30
    endloop
  endfacet
  facet normal 0.6344 0.773 0
    outer loop
      vertex 7.7782 7.7782 4
      vertex 6.1113 9.1462 30
      vertex 7.7782 7.7782 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 6.1113 9.1462 4
      vertex 7.7782 7.7782 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 7.7782 7.7782 30
      vertex 6.1113 9.1462 30
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 6.1113 9.1462 4
      vertex 4.2095 10.1627 4
      vertex 4.2095 10.1627 30
    endloop
  endfacet
  facet normal 0.4714 0.8819 0
    outer loop
      vertex 6.1113 9.1462 4
      vertex 4.2095 10.1627 30
      vertex 6.1113 9.1462 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 4.2095 10.1627 4
      vertex 6.1113 9.1462 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 6.1113 9.1462 30
      vertex 4.2095 10.1627 30
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 4.2095 10.1627 4
      vertex 2.146 10.7886 4
      vertex 2.146 10.7886 30
    endloop
  endfacet
  facet normal 0.2903 0.9569 0
    outer loop
      vertex 4.2095 10.1627 4
      vertex 2.146 10.7886 30
      vertex 4.2095 10.1627 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 2.146 10.7886 4
      vertex 4.2095 10.1627 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 4.2095 10.1627 30
      vertex 2.146 10.7886 30
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 2.146 10.7886 4
      vertex 0 11 4
      vertex 0 11 30
    endloop
  endfacet
  facet normal 0.098 0.9952 0
    outer loop
      vertex 2.146 10.7886 4
      vertex 0 11 30
      vertex 2.146 10.7886 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 0 11 4
      vertex 2.146 10.7886 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 2.146 10.7886 30
      vertex 0 11 30
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 11 4
      vertex -2.146 10.7886 4
      vertex -2.146 10.7886 30
    endloop
  endfacet
  facet normal -0.098 0.9952 0
    outer loop
      vertex 0 11 4
      vertex -2.146 10.7886 30
      vertex 0 11 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -2.146 10.7886 4
      vertex 0 11 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex 0 11 30
      vertex -2.146 10.7886 30
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -2.146 10.7886 4
      vertex -4.2095 10.1627 4
      vertex -4.2095 10.1627 30
    endloop
  endfacet
  facet normal -0.2903 0.9569 0
    outer loop
      vertex -2.146 10.7886 4
      vertex -4.2095 10.1627 30
      vertex -2.146 10.7886 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -4.2095 10.1627 4
      vertex -2.146 10.7886 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -2.146 10.7886 30
      vertex -4.2095 10.1627 30
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -4.2095 10.1627 4
      vertex -6.1113 9.1462 4
      vertex -6.1113 9.1462 30
    endloop
  endfacet
  facet normal -0.4714 0.8819 0
    outer loop
      vertex -4.2095 10.1627 4
      vertex -6.1113 9.1462 30
      vertex -4.2095 10.1627 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -6.1113 9.1462 4
      vertex -4.2095 10.1627 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -4.2095 10.1627 30
      vertex -6.1113 9.1462 30
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -6.1113 9.1462 4
      vertex -7.7782 7.7782 4
      vertex -7.7782 7.7782 30
    endloop
  endfacet
  facet normal -0.6344 0.773 0
    outer loop
      vertex -6.1113 9.1462 4
      vertex -7.7782 7.7782 30
      vertex -6.1113 9.1462 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -7.7782 7.7782 4
      vertex -6.1113 9.1462 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -6.1113 9.1462 30
      vertex -7.7782 7.7782 30
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -7.7782 7.7782 4
      vertex -9.1462 6.1113 4
      vertex -9.1462 6.1113 30
    endloop
  endfacet
  facet normal -0.773 0.6344 0
    outer loop
      vertex -7.7782 7.7782 4
      vertex -9.1462 6.1113 30
      vertex -7.7782 7.7782 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -9.1462 6.1113 4
      vertex -7.7782 7.7782 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -7.7782 7.7782 30
      vertex -9.1462 6.1113 30
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -9.1462 6.1113 4
      vertex -10.1627 4.2095 4
      vertex -10.1627 4.2095 30
    endloop
  endfacet
  facet normal -0.8819 0.4714 0
    outer loop
      vertex -9.1462 6.1113 4
      vertex -10.1627 4.2095 30
      vertex -9.1462 6.1113 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -10.1627 4.2095 4
      vertex -9.1462 6.1113 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -9.1462 6.1113 30
      vertex -10.1627 4.2095 30
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -10.1627 4.2095 4
      vertex -10.7886 2.146 4
      vertex -10.7886 2.146 30
    endloop
  endfacet
  facet normal -0.9569 0.2903 0
    outer loop
      vertex -10.1627 4.2095 4
      vertex -10.7886 2.146 30
      vertex -10.1627 4.2095 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -10.7886 2.146 4
      vertex -10.1627 4.2095 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -10.1627 4.2095 30
      vertex -10.7886 2.146 30
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -10.7886 2.146 4
      vertex -11 0 4
      vertex -11 0 30
    endloop
  endfacet
  facet normal -0.9952 0.098 0
    outer loop
      vertex -10.7886 2.146 4
      vertex -11 0 30
      vertex -10.7886 2.146 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -11 0 4
      vertex -10.7886 2.146 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -10.7886 2.146 30
      vertex -11 0 30
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -11 0 4
      vertex -10.7886 -2.146 4
      vertex -10.7886 -2.146 30
    endloop
  endfacet
  facet normal -0.9952 -0.098 0
    outer loop
      vertex -11 0 4
      vertex -10.7886 -2.146 30
      vertex -11 0 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -10.7886 -2.146 4
      vertex -11 0 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -11 0 30
      vertex -10.7886 -2.146 30
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -10.7886 -2.146 4
      vertex -10.1627 -4.2095 4
      vertex -10.1627 -4.2095 30
    endloop
  endfacet
  facet normal -0.9569 -0.2903 0
    outer loop
      vertex -10.7886 -2.146 4
      vertex -10.1627 -4.2095 30
      vertex -10.7886 -2.146 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -10.1627 -4.2095 4
      vertex -10.7886 -2.146 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -10.7886 -2.146 30
      vertex -10.1627 -4.2095 30
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -10.1627 -4.2095 4
      vertex -9.1462 -6.1113 4
      vertex -9.1462 -6.1113 30
    endloop
  endfacet
  facet normal -0.8819 -0.4714 0
    outer loop
      vertex -10.1627 -4.2095 4
      vertex -9.1462 -6.1113 30
      vertex -10.1627 -4.2095 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -9.1462 -6.1113 4
      vertex -10.1627 -4.2095 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -10.1627 -4.2095 30
      vertex -9.1462 -6.1113 30
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -9.1462 -6.1113 4
      vertex -7.7782 -7.7782 4
      vertex -7.7782 -7.7782 30
    endloop
  endfacet
  facet normal -0.773 -0.6344 0
    outer loop
      vertex -9.1462 -6.1113 4
      vertex -7.7782 -7.7782 30
      vertex -9.1462 -6.1113 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -7.7782 -7.7782 4
      vertex -9.1462 -6.1113 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -9.1462 -6.1113 30
      vertex -7.7782 -7.7782 30
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -7.7782 -7.7782 4
      vertex -6.1113 -9.1462 4
      vertex -6.1113 -9.1462 30
    endloop
  endfacet
  facet normal -0.6344 -0.773 0
    outer loop
      vertex -7.7782 -7.7782 4
      vertex -6.1113 -9.1462 30
      vertex -7.7782 -7.7782 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -6.1113 -9.1462 4
      vertex -7.7782 -7.7782 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -7.7782 -7.7782 30
      vertex -6.1113 -9.1462 30
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -6.1113 -9.1462 4
      vertex -4.2095 -10.1627 4
      vertex -4.2095 -10.1627 30
    endloop
  endfacet
  facet normal -0.4714 -0.8819 0
    outer loop
      vertex -6.1113 -9.1462 4
      vertex -4.2095 -10.1627 30
      vertex -6.1113 -9.1462 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -4.2095 -10.1627 4
      vertex -6.1113 -9.1462 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -6.1113 -9.1462 30
      vertex -4.2095 -10.1627 30
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -4.2095 -10.1627 4
      vertex -2.146 -10.7886 4
      vertex -2.146 -10.7886 30
    endloop
  endfacet
  facet normal -0.2903 -0.9569 0
    outer loop
      vertex -4.2095 -10.1627 4
      vertex -2.146 -10.7886 30
      vertex -4.2095 -10.1627 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex -2.146 -10.7886 4
      vertex -4.2095 -10.1627 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -4.2095 -10.1627 30
      vertex -2.146 -10.7886 30
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -2.146 -10.7886 4
      vertex 0 -11 4
      vertex 0 -11 30
    endloop
  endfacet
  facet normal -0.098 -0.9952 0
    outer loop
      vertex -2.146 -10.7886 4
      vertex 0 -11 30
      vertex -2.146 -10.7886 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 0 0 4
      vertex 0 -11 4
      vertex -2.146 -10.7886 4
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 0 0 30
      vertex -2.146 -10.7886 30
      vertex 0 -11 30
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 9 -4 12
      vertex 9 4 12
      vertex 15 4 12
    endloop
  endfacet
  facet normal 0 0 -1
    outer loop
      vertex 9 -4 12
      vertex 15 4 12
      vertex 15 -4 12
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 9 -4 24
      vertex 15 -4 24
      vertex 15 4 24
    endloop
  endfacet
  facet normal 0 0 1
    outer loop
      vertex 9 -4 24
      vertex 15 4 24
      vertex 9 4 24
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex 9 -4 12
      vertex 15 -4 12
      vertex 15 -4 24
    endloop
  endfacet
  facet normal 0 -1 0
    outer loop
      vertex 9 -4 12
      vertex 15 -4 24
      vertex 9 -4 24
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 15 -4 12
      vertex 15 4 12
      vertex 15 4 24
    endloop
  endfacet
  facet normal 1 0 0
    outer loop
      vertex 15 -4 12
      vertex 15 4 24
      vertex 15 -4 24
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 15 4 12
      vertex 9 4 12
      vertex 9 4 24
    endloop
  endfacet
  facet normal 0 1 0
    outer loop
      vertex 15 4 12
      vertex 9 4 24
      vertex 15 4 24
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex 9 4 12
      vertex 9 -4 12
      vertex 9 -4 24
    endloop
  endfacet
  facet normal -1 0 0
    outer loop
      vertex 9 4 12
      vertex 9 -4 24
      vertex 9 4 24
    endloop
  endfacet
endsolid crayon_holder
