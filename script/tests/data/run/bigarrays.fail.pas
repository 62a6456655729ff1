// Arrays declared by the program count against its memory while it compiles.
var
  a0, a1, a2, a3, a4, a5, a6, a7, a8, a9: array[0..4000000] of Integer;
  b0, b1, b2, b3, b4, b5, b6, b7, b8, b9: array[0..4000000] of Integer;
  c0, c1, c2, c3, c4, c5, c6, c7, c8, c9: array[0..4000000] of Integer;
  d0, d1, d2, d3, d4, d5, d6, d7, d8, d9: array[0..4000000] of Integer;
begin
  ShowMessage('not reached');
end.
