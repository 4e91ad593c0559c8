#include "note/NoteEdit.h"

#include <richedit.h>

#include <cstring>

namespace {

struct StreamState {
    std::string* out = nullptr;
    const std::string* in = nullptr;
    size_t pos = 0;
};

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* state = reinterpret_cast<StreamState*>(cookie);
    state->out->append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
    *done = count;
    return 0;
}

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* state = reinterpret_cast<StreamState*>(cookie);
    const size_t left = state->in->size() - state->pos;
    const size_t n = left < static_cast<size_t>(count) ? left : static_cast<size_t>(count);
    std::memcpy(buffer, state->in->data() + state->pos, n);
    state->pos += n;
    *done = static_cast<LONG>(n);
    return 0;
}

}  // namespace

std::string CNoteEdit::GetBodyRtf() const {
    std::string rtf;
    StreamState state;
    state.out = &rtf;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
    es.pfnCallback = StreamOutCallback;
    ::SendMessageA(m_hWnd, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&es));
    // Some RichEdit versions deliver a terminating NUL with the last chunk;
    // it is not part of the text and no data file could hold it.
    const auto nul = rtf.find('\0');
    if (nul != std::string::npos) rtf.resize(nul);
    return rtf;
}

bool CNoteEdit::SetBodyRtf(const std::string& rtf) {
    StreamState state;
    state.in = &rtf;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
    es.pfnCallback = StreamInCallback;
    // Text that is not RTF (a damaged record, a plain-text note) still shows
    // as text rather than as nothing.
    const bool isRtf = rtf.compare(0, 5, "{\\rtf") == 0;
    ::SendMessageA(m_hWnd, EM_STREAMIN, isRtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&es));
    return es.dwError == 0;
}

void CNoteEdit::ApplyNoteFormat() {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC |
                CFM_UNDERLINE | CFM_STRIKEOUT;
    lstrcpynA(cf.szFaceName, fontName.c_str(), LF_FACESIZE);
    cf.yHeight = fontSize * 20;
    cf.bCharSet = charSet;
    cf.crTextColor = textColor;
    auto has = [&](char c) { return fontType.find(c) != std::string::npos; };
    if (has('B')) cf.dwEffects |= CFE_BOLD;
    if (has('I')) cf.dwEffects |= CFE_ITALIC;
    if (has('U')) cf.dwEffects |= CFE_UNDERLINE;
    if (has('S')) cf.dwEffects |= CFE_STRIKEOUT;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    ::SendMessageA(m_hWnd, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(backColor));
}
