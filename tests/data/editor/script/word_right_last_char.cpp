foo.bar(x_y) baz
   qux
