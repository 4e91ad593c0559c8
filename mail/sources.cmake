# mail/: the note e-mail format (portable) and Simple MAPI (Win32).
pinwell_sources(mail
    CORE
        MailNote.cpp
    WIN
        MapiMail.cpp)
