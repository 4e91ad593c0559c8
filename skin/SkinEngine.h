// The flat look of the standard controls. A window hook on the user-interface
// thread sees every dialog as it is made and, as it initialises, subclasses
// its controls;
// each subclass lets the control paint as usual and then draws a flat frame
// (and flat scroll bars, check marks, drop-down buttons ...) over it. A
// control looks "hot" while the mouse is over it or it has the focus.
#pragma once

#include <windows.h>

#include <map>
#include <string>

class CSkinEngine;

class CControlSkin {
public:
    enum StateBits : unsigned { kHot = 1, kSmall = 2, kFocused = 4, kReadOnly = 8 };

    explicit CControlSkin(HWND hwnd) : m_hWnd(hwnd) {}
    CControlSkin(const CControlSkin&) = delete;
    CControlSkin& operator=(const CControlSkin&) = delete;
    virtual ~CControlSkin() = default;

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual bool NeedsHotUpdate(POINT cursor);
    // The device context to draw the frame on, and the frame's rectangle in
    // it. The context is released with ReleaseFrameDC.
    virtual void GetFrameDC(HDC& dc, RECT& rect);
    virtual void DrawFrame(HDC dc, RECT rect);
    virtual bool HasFocus();

    // Draws the frame when its look may have changed. `force` draws even
    // when the hot and focused state are as last drawn: the control's own
    // painting has just covered the frame.
    void Redraw(bool force = false);

    HWND GetSafeHwnd() const { return m_hWnd; }
    unsigned State() const { return m_state; }
    unsigned DrawnState() const { return m_drawnState; }
    void SetHot(bool hot) { m_state = hot ? (m_state | kHot) : (m_state & ~kHot); }
    bool IsHot() const { return (m_state & kHot) != 0; }
    void MarkReadOnly() { m_state |= kReadOnly; }
    // Number of frames drawn so far (lets tests see a skipped redraw).
    int DrawCount() const { return m_drawCount; }

protected:
    LRESULT Previous(UINT msg, WPARAM wParam, LPARAM lParam);
    void ReleaseFrameDC(HDC dc);
    // The control's own scroll bars, flat, inside `rect`.
    void DrawOwnScrollBars(HDC dc, const RECT& rect);
    bool Enabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool HotOrFocused() const { return (m_state & (kHot | kFocused)) != 0; }

    HWND m_hWnd;
    HWND m_dcWindow = nullptr;  // whose window DC GetFrameDC handed out
    unsigned m_state = 0;
    unsigned m_drawnState = 0;
    bool m_everDrawn = false;
    int m_drawCount = 0;
    int m_hotItem = -1;  // header, toolbar and tab skins
};

class CDialogSkin {
public:
    explicit CDialogSkin(HWND hwnd) : m_hWnd(hwnd) {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd;
};

class CSkinEngine {
public:
    enum Mode { kCreationMode = 0, kDialogMode = 1 };
    static constexpr DWORD kCallingThread = static_cast<DWORD>(-1);

    CSkinEngine();
    CSkinEngine(const CSkinEngine&) = delete;
    CSkinEngine& operator=(const CSkinEngine&) = delete;
    ~CSkinEngine();

    // Whether the program's dialogs are skinned on a system of this family
    // (the operating-system family label): everywhere except on the two
    // families whose own look is kept.
    static bool WantedFor(const std::string& familyLabel) {
        return familyLabel != "Windows 2000/XP" && familyLabel != "Windows 7/8";
    }
    // The engine the program installs at start-up.
    static CSkinEngine& Program();
    // The engine whose hooks are live, or nullptr.
    static CSkinEngine* Current() { return s_current; }

    void Install(DWORD thread, int mode);
    void Uninstall(DWORD thread);

    // Takes the calling thread's hook off for as long as it lives, for work
    // on windows the skin leaves alone: while the hook is on, every window
    // the thread makes costs three trips to the window system, skinned or
    // not. A dialog made meanwhile stays plain.
    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        CSkinEngine* m_engine = nullptr;
        int m_mode = kDialogMode;
    };

    bool SkinControl(HWND hwnd, const char* className = nullptr);
    void UnskinControl(HWND hwnd);
    void SkinDialog(HWND hwnd);

    CControlSkin* Find(HWND hwnd) const;
    bool IsDialogSkinned(HWND hwnd) const { return m_dialogs.count(hwnd) != 0; }
    std::size_t ControlCount() const { return m_controls.size(); }
    bool HoverTimerRunning() const { return m_timer != 0; }
    HWND HotWindow() const { return m_hot; }
    int GetMode() const { return m_mode; }

    // One poll of the hover timer: finds the control under the cursor and
    // moves the hot look to it.
    void OnHoverTimer();

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK AwaitInitProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool HookedHere() const;
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void InitDialog(HWND dialog);
    void SkinFirstChild(HWND hwnd);
    void StopTimerIfIdle();

    static inline CSkinEngine* s_current = nullptr;
    int m_mode = kDialogMode;
    std::map<DWORD, HHOOK> m_hooks;
    std::map<HWND, CControlSkin*> m_controls;
    std::map<HWND, CDialogSkin*> m_dialogs;
    UINT_PTR m_timer = 0;
    HWND m_hot = nullptr;

    friend class CControlSkin;
};
