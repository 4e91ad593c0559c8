# app/: the application object, the main dialog with the tray, start-up and
# the upkeep behind the wait window.
pinwell_sources(app
    WIN
        CleanUp.cpp
        MainDialog.cpp
        NoteApp.cpp
        Win32Seams.cpp)
