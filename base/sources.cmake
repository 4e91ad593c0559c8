# base/: the bottom layer. The seams through which the portable core reaches
# the outside (notices, data folders, the clock, program flags, the system's
# family label); it includes nothing else of ours.
pinwell_sources(base
    CORE
        Clock.cpp
        OsLabel.cpp
        ProgramFlags.cpp
        Seams.cpp)
