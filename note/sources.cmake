# note/: the note's values, themes, alarms and picture files (portable), and
# the note window with its body, menus and commands.
pinwell_sources(note
    CORE
        AlarmSchedule.cpp
        BodyMenuSlots.cpp
        BuiltInThemes.cpp
        Cascade.cpp
        NoteGeometry.cpp
        NotePictureFile.cpp
        ReplyTitle.cpp
        RtfFilter.cpp
        ThemeStore.cpp
    WIN
        AlarmDialog.cpp
        Delivery.cpp
        ExpirationDialog.cpp
        NoteDialog.cpp
        NoteEdit.cpp
        NoteExchange.cpp
        NoteFileCommands.cpp
        NotePicture.cpp
        NotePrint.cpp
        OrganizeThemesDialog.cpp)
