# store/: the INI engine, note records, settings, exported note files, the
# data-file clean-up and the hand-over values. All of it portable.
pinwell_sources(store
    CORE
        ExportFile.cpp
        HandOver.cpp
        IniFile.cpp
        NoteRecord.cpp
        SettingsStore.cpp
        Upkeep.cpp)
