// Reading an XML file of three million elements stops at the memory limit while it reads.
var
  s: String;
  i: Integer;
  f: TFileStream;
  d: TsxXMLDocument;
begin
  s := '<a/>';
  for i := 1 to 16 do s := s + s;
  f := TFileStream.Create('many.xml', fmCreate);
  f.Write('<?xml version="1.0"?><r>', 24);
  for i := 1 to 48 do f.Write(s, Length(s));
  f.Write('</r>', 4);
  ShowMessage(IntToStr(f.Size));
  f.Free;
  d := TsxXMLDocument.Create;
  d.LoadFromFile('many.xml');
  ShowMessage('not reached');
end.
