// QMRRebuilder.exe: the windowed program over the Win32 API. It reads no
// command line, settings or environment of its own; the main window is all
// there is.
#include <windows.h>

#include "forms/win32/Win32Services.h"
#include "forms/win32/frmQMRRebuilder.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qmr::win32::Win32Services services;
  qmr::win32::frmQMRRebuilder window(services);
  window.Load();
  window.Show();
  return services.RunMessageLoop();
}
