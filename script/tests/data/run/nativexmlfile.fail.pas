// Writing a large XML document to a file counts by the bytes written.
var
  d: TsxXMLDocument;
  m: TMemoryStream;
  i: Integer;
  t: String;
begin
  t := '<?xml version="1.0"?><r>';
  for i := 1 to 20000 do t := t + '<item n="' + IntToStr(i) + '"/>';
  m := TMemoryStream.Create;
  m.Write(t + '</r>', Length(t) + 4);
  m.Position := 0;
  d := TsxXMLDocument.Create;
  d.LoadFromStream(m);
  while True do d.SaveToFile('doc.xml');
end.
