// SolvaneUpdate.exe. The program reads no command line.
#include "app/win32/kite_update_app.h"

namespace {

solvane::CKiteUpdate100App theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return theApp.Run(instance);
}
