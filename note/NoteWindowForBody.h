// What the body editor asks of the note window it lives in. The note window
// implements it; tests may implement it to watch the body alone.
#pragma once

#include <windows.h>

class INoteWindowForBody {
public:
    virtual ~INoteWindowForBody() = default;
    // Writes the note's record (the body loses the focus, a menu opens).
    virtual void StoreNote() = 0;
    virtual bool HasBorder() const = 0;
    virtual void SetBorder(bool on) = 0;
    virtual void SetBodyBackColor(COLORREF colour) = 0;
    // Commands of the body menu that concern the whole note (delete, hide,
    // themes, alarm, expiration, send, reply, file, print, export, import).
    // The note window carries them out, or ignores what it does not know.
    virtual void OnNoteCommand(UINT command) = 0;
};
