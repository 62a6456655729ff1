// The published properties that the dialog and list enumerations are for.
var
  fd: TFontDialog;
  cd: TColorDialog;
  pd: TPrintDialog;
  lb: TListBox;
  e: TEdit;
begin
  fd := TFontDialog.Create(nil);
  ShowMessage(IntToStr(fd.Options) + ' ' + IntToStr(fd.Device));
  fd.Options := fdEffects + fdApplyButton;
  fd.Device := fdBoth;
  ShowMessage(IntToStr(fd.Options) + ' ' + IntToStr(fd.Device));
  cd := TColorDialog.Create(nil);
  cd.Options := cdFullOpen + cdAnyColor;
  pd := TPrintDialog.Create(nil);
  pd.Options := poPageNums + poSelection;
  ShowMessage(IntToStr(cd.Options) + ' ' + IntToStr(pd.Options));
  lb := TListBox.Create(nil);
  ShowMessage(IntToStr(lb.Style));
  lb.Style := lbOwnerDrawVariable;
  e := TEdit.Create(nil);
  e.PasswordChar := '*';
  ShowMessage(IntToStr(lb.Style) + ' ' + e.PasswordChar);
  e.PasswordChar := 'ก';
  ShowMessage(e.PasswordChar);
  fd.Free;
  cd.Free;
  pd.Free;
  lb.Free;
  e.Free;
end.
