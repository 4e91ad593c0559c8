# dialogs/: the small dialogs and their logic, and the settings sheet.
pinwell_sources(dialogs
    CORE
        DialogLogic.cpp
        SettingsLogic.cpp
    WIN
        ImportExportDialog.cpp
        InputTextDialog.cpp
        ParagraphDialog.cpp
        PasswordDialog.cpp
        SettingsPages.cpp
        SettingsSheet.cpp
        WaitDialog.cpp)
