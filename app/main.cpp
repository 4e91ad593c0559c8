#include <windows.h>

#include "app/NoteApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CNoteApp app;
    return app.Main(instance);
}
