/* The sample support library: a real DLL with a version resource, so that
   the installer's version reading and copying meet a genuine file. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}

/* Something to export, so that it is a library in earnest. */
__declspec(dllexport) int __stdcall CopyloomLibraryReady(void) { return 1; }
