// The program's main block: the application object, the windows in their order, the loop.
#include "app/Unit1.h"
#include "platform/gui/Application.h"

int main() {
  using namespace orv;
  Application->Initialize();
  // The main window comes first: the other windows use its database connection.
  Application->CreateForm(Form1);
  Application->Run();
  return 0;
}
