// The menu commands that open the other windows: a new window each time, owned by the
// application and living until the program ends.
#include "app/Churches.h"
#include "app/MainWindow.h"
#include "app/MarriageNotices.h"
#include "app/Statistics.h"
#include "platform/gui/Application.h"
#include "platform/gui/Cursors.h"

namespace orv {

namespace {

template <class T>
void OpenAnother() {
  THourGlass wait;
  (new T(Application))->Show();
}

}  // namespace

void TForm1::N7Click(TObject*) { OpenAnother<TForm3>(); }
void TForm1::N8Click(TObject*) { OpenAnother<TForm2>(); }
void TForm1::N10Click(TObject*) { OpenAnother<TForm4>(); }

}  // namespace orv
