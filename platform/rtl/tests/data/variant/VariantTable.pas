{ Prints the expected results of every Variant operator and conversion over a set of values of
  every kind, one line per case: operation, left value, right value, result. Run once with
  "fpc -Mdelphi VariantTable.pas && ./VariantTable > variant_table.txt"; the tests read the
  committed table and never need the compiler. }
program VariantTable;

{$mode delphi}{$H+}

uses cwstring, SysUtils, Variants;

const
  ValueCount = 26;

var
  Labels: array[0..ValueCount - 1] of string;
  FS: TFormatSettings;

function MakeValue(i: Integer): Variant;
var
  c: Currency;
begin
  case i of
    0: Result := Unassigned;
    1: Result := Null;
    2: Result := SmallInt(7);
    3: Result := Integer(-3);
    4: Result := Integer(0);
    5: Result := Integer(2147483647);
    6: begin TVarData(Result).VType := varSingle; TVarData(Result).VSingle := 2.5; end;
    7: Result := Double(2.5);
    8: Result := Double(-7.5);
    9: begin c := 1.5; Result := c; end;
    10: Result := VarFromDateTime(2.5);
    11: Result := WideString('12');
    12: Result := AnsiString('12');
    13: Result := AnsiString('2.5');
    14: Result := AnsiString('abc');
    15: Result := AnsiString('');
    16: Result := AnsiString('True');
    17: Result := True;
    18: Result := False;
    19: Result := ShortInt(-8);
    20: Result := Byte(200);
    21: Result := Word(65535);
    22: Result := LongWord(4294967295);
    23: Result := Int64(10000000000);
    24: begin TVarData(Result).VType := varError; TVarData(Result).VError := HRESULT($80020004); end;
    25: Result := VarArrayOf([1, 2]);
  end;
end;

function ShowFloat(x: Extended): string;
begin
  Result := FloatToStrF(x, ffExponent, 17, 0, FS);
end;

function Show(const v: Variant): string;
var
  d: TVarData;
  i: Integer;
begin
  d := TVarData(v);
  if (d.VType and varArray) <> 0 then
  begin
    Result := 'Array ' + IntToStr(d.VType and varTypeMask) + ' ' + IntToStr(VarArrayDimCount(v));
    for i := VarArrayLowBound(v, 1) to VarArrayHighBound(v, 1) do
      Result := Result + ' ' + IntToStr(i) + '=' + Show(VarArrayGet(v, [i]));
    Exit;
  end;
  case d.VType of
    varEmpty: Result := 'Empty';
    varNull: Result := 'Null';
    varSmallint: Result := 'Smallint ' + IntToStr(d.VSmallInt);
    varInteger: Result := 'Integer ' + IntToStr(d.VInteger);
    varSingle: Result := 'Single ' + ShowFloat(d.VSingle);
    varDouble: Result := 'Double ' + ShowFloat(d.VDouble);
    varCurrency: Result := 'Currency ' + IntToStr(PInt64(@d.VCurrency)^);
    varDate: Result := 'Date ' + ShowFloat(d.VDate);
    varOleStr: Result := 'OleStr ' + UTF8Encode(WideString(d.VOleStr));
    varError: Result := 'Error ' + IntToHex(d.VError, 8);
    varBoolean: if d.VBoolean then Result := 'Boolean True' else Result := 'Boolean False';
    varShortInt: Result := 'ShortInt ' + IntToStr(d.VShortInt);
    varByte: Result := 'Byte ' + IntToStr(d.VByte);
    varWord: Result := 'Word ' + IntToStr(d.VWord);
    varLongWord: Result := 'LongWord ' + IntToStr(d.VLongWord);
    varInt64: Result := 'Int64 ' + IntToStr(d.VInt64);
    varString: Result := 'String ' + AnsiString(d.VString);
  else
    Result := 'Type ' + IntToStr(d.VType);
  end;
end;

function Fail(E: Exception): string;
begin
  Result := '!' + E.ClassName + ' ' + StringReplace(E.Message, #10, ' ', [rfReplaceAll]);
end;

procedure Emit(const op, l, r, res: string);
begin
  WriteLn(op, #9, l, #9, r, #9, res);
end;

function BinOp(op: Integer; const a, b: Variant): Variant;
begin
  case op of
    0: Result := a + b;
    1: Result := a - b;
    2: Result := a * b;
    3: Result := a / b;
    4: Result := a div b;
    5: Result := a mod b;
    6: Result := a shl b;
    7: Result := a shr b;
    8: Result := a and b;
    9: Result := a or b;
    10: Result := a xor b;
    11: Result := a = b;
    12: Result := a <> b;
    13: Result := a < b;
    14: Result := a <= b;
    15: Result := a > b;
    16: Result := a >= b;
  end;
end;

const
  OpNames: array[0..16] of string =
    ('+', '-', '*', '/', 'div', 'mod', 'shl', 'shr', 'and', 'or', 'xor',
     '=', '<>', '<', '<=', '>', '>=');
  CastTypes: array[0..15] of TVarType =
    (varEmpty, varNull, varSmallint, varInteger, varSingle, varDouble, varCurrency, varDate,
     varOleStr, varBoolean, varShortInt, varByte, varWord, varLongWord, varInt64, varString);

const
  ConvCount = 28;
  OpCount = 17;
  LocaleCount = 4;

function CaseCount: Integer;
begin
  Result := ValueCount * ConvCount + OpCount * ValueCount * ValueCount + LocaleCount;
end;

function YesNo(b: Boolean): string;
begin
  if b then Result := 'Boolean True' else Result := 'Boolean False';
end;

{ Conversion c of value v; c 10..25 are VarAsType to CastTypes[c - 10]. }
function Convert(c: Integer; const v: Variant): string;
var
  i: Integer;
  i64: Int64;
  dbl: Double;
  b: Boolean;
  cur: Currency;
begin
  case c of
    0: Result := IntToStr(VarType(v));
    1: Result := 'String ' + VarToStr(v);
    2: begin i := v; Result := 'Integer ' + IntToStr(i); end;
    3: begin i64 := v; Result := 'Int64 ' + IntToStr(i64); end;
    4: begin dbl := v; Result := 'Double ' + ShowFloat(dbl); end;
    5: begin b := v; Result := YesNo(b); end;
    6: begin cur := v; Result := 'Currency ' + IntToStr(PInt64(@cur)^); end;
    7: begin dbl := VarToDateTime(v); Result := 'Date ' + ShowFloat(dbl); end;
    8: Result := YesNo(VarIsNumeric(v));
    9: Result := YesNo(VarIsStr(v));
    26: Result := Show(not v);
    27: Result := Show(-v);
  else
    Result := Show(VarAsType(v, CastTypes[c - 10]));
  end;
end;

function ConvName(c: Integer): string;
const
  Names: array[0..9] of string = ('VarType', 'VarToStr', 'ToInteger', 'ToInt64', 'ToDouble',
    'ToBoolean', 'ToCurrency', 'ToDateTime', 'VarIsNumeric', 'VarIsStr');
begin
  case c of
    0..9: Result := Names[c];
    26: Result := 'not';
    27: Result := 'neg';
  else
    Result := 'VarAsType';
  end;
end;

{ The locale's decimal separator governs text <-> number. }
function LocaleCase(k: Integer; describe: Boolean; out op, l, r: string): string;
var
  a: Variant;
  dbl: Double;
begin
  DefaultFormatSettings.DecimalSeparator := ',';
  Result := '';
  case k of
    0: begin op := 'ToDouble,'; l := 'String 2,5'; r := ''; a := AnsiString('2,5');
         if not describe then begin dbl := a; Result := 'Double ' + ShowFloat(dbl); end; end;
    1: begin op := 'ToDouble,'; l := 'String 2.5'; r := ''; a := AnsiString('2.5');
         if not describe then begin dbl := a; Result := 'Double ' + ShowFloat(dbl); end; end;
    2: begin op := 'VarToStr,'; l := 'Double 2.5'; r := ''; a := Double(2.5);
         if not describe then Result := 'String ' + VarToStr(a); end;
    3: begin op := '+,'; l := 'String 2,5'; r := 'Integer 1'; a := AnsiString('2,5');
         if not describe then Result := Show(a + Integer(1)); end;
  end;
end;

{ Computes case k, or with describe only names it. }
function RunCase(k: Integer; describe: Boolean; out op, l, r: string): string;
var
  i, j, c: Integer;
begin
  Result := '';
  r := '';
  if k < ValueCount * ConvCount then
  begin
    i := k div ConvCount;
    c := k mod ConvCount;
    op := ConvName(c);
    l := Labels[i];
    if (c >= 10) and (c <= 25) then
      r := IntToStr(CastTypes[c - 10]);
    if not describe then
      Result := Convert(c, MakeValue(i));
    Exit;
  end;
  k := k - ValueCount * ConvCount;
  if k < OpCount * ValueCount * ValueCount then
  begin
    c := k div (ValueCount * ValueCount);
    i := (k div ValueCount) mod ValueCount;
    j := k mod ValueCount;
    op := OpNames[c];
    l := Labels[i];
    r := Labels[j];
    if not describe then
      Result := Show(BinOp(c, MakeValue(i), MakeValue(j)));
    Exit;
  end;
  Result := LocaleCase(k - OpCount * ValueCount * ValueCount, describe, op, l, r);
end;

{ Usage: VariantTable FIRST prints cases FIRST.. one line each; VariantTable -d K names case K
  (for a case that ends the process with a run-time error instead of raising, see gen.sh). }
var
  i, k: Integer;
  op, l, r, res: string;
begin
  { The program's Thai locale, so that dates and numbers read and print as they do there. }
  DefaultFormatSettings.DecimalSeparator := '.';
  DefaultFormatSettings.ThousandSeparator := ',';
  DefaultFormatSettings.DateSeparator := '/';
  DefaultFormatSettings.TimeSeparator := ':';
  DefaultFormatSettings.ShortDateFormat := 'd/m/yyyy';
  DefaultFormatSettings.LongTimeFormat := 'H:mm:ss';
  FS := DefaultFormatSettings;
  for i := 0 to ValueCount - 1 do
    Labels[i] := Show(MakeValue(i));
  if ParamStr(1) = '-n' then
  begin
    WriteLn(CaseCount);
    Exit;
  end;
  if ParamStr(1) = '-d' then
  begin
    RunCase(StrToInt(ParamStr(2)), True, op, l, r);
    Emit(op, l, r, '!RunError');
    Exit;
  end;
  for k := StrToIntDef(ParamStr(1), 0) to CaseCount - 1 do
  begin
    try
      res := RunCase(k, False, op, l, r);
    except
      on E: Exception do res := Fail(E);
    end;
    Emit(op, l, r, res);
    Flush(Output);
  end;
end.
