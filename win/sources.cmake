# win/: the thin class layer over Win32, and what every window may know
# about the program (win/Program.h).
pinwell_sources(win
    WIN
        Dialog.cpp
        DialogSupport.cpp
        Menu.cpp
        OnDemand.cpp
        Program.cpp
        WinApp.cpp
        Wnd.cpp)
