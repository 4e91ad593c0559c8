// Window tests run in-process with real windows under Wine (or Windows):
// each test gets its own data folder and a hidden owner window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/Seams.h"
#include "store/IniFile.h"

class CNoteDialog;

class RecordedNotices : public INoticeSink {
public:
    void Show(const std::string& text, NoticeIcon) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// ---- Reading and working the controls of a dialog --------------------------------

using Strings = std::vector<std::string>;

std::string WindowText(HWND hwnd);
std::string ClassOf(HWND hwnd);
std::string ItemText(HWND dlg, int id);
std::vector<HWND> ThreadWindows();
bool Open(HWND w);  // still there and shown
bool Enabled(HWND dlg, int id);
bool Checked(HWND dlg, int id);
void Click(HWND dlg, int id);
std::string FontFace(HWND dlg);
void ExpectDialogIcons(HWND dlg);  // both the big and the small one
HICON StopIcon();                  // the system's, as an error box shows it
Strings ComboItems(HWND dlg, int id);
int ComboSelection(HWND dlg, int id);
std::string ToolText(HWND tip, HWND dlg, int id);  // of the tool on control id

// A key as the user presses it: posted, so it goes through the dialog's loop.
void PressKeyIn(HWND dlg, int id, WPARAM key);

// Lets the windows run (paint, tooltip timers) from inside a driver step,
// leaving the driver's own ticks aside, for ms or until done() holds.
void PumpFor(DWORD ms, const std::function<bool()>& done = {});

// With PINWELL_DIALOG_SHOTS set to a Unix folder, a picture of the whole
// virtual screen is taken there as NAME.png (imagemagick's import on the
// display). Does nothing otherwise.
void Screenshot(const std::string& name);

// Runs steps against the modal dialog owned by `owner` from a thread timer,
// as a modal dialog runs its own loop. A message box (caption "Pinwell") is
// recorded and answered with the next of `answers` (IDOK when none is left);
// a dialog captioned `inputCaption`, when one is set, is answered with the
// next of `inputs` (Cancel when none is left). A step runs only when no
// earlier one is still on the stack and the dialog takes input, so a step that
// raises a box finishes once the box is gone. `watch` runs on every tick.
class ModalDriver {
public:
    using Step = std::function<void(HWND dlg)>;

    explicit ModalDriver(HWND owner) : owner_(owner) {}

    ModalDriver& Then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    INT_PTR Run(const std::function<INT_PTR()>& modal);

    std::deque<int> answers;
    Strings boxes;                // the text of each box
    std::vector<HICON> boxIcons;  // the icon each box showed, null for none
    std::string inputCaption;
    std::deque<std::string> inputs;
    std::function<void()> watch;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    HWND FindDialog() const;
    HWND FindUnhandled(const std::string& caption) const;
    void OnTick();

    static inline ModalDriver* current_ = nullptr;
    HWND owner_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
    int ticks_ = 0;
    std::set<HWND> handled_;
};

// Installs a test's own implementation of a part of the program while the
// object lives, then puts the previous one back.
template <class Interface>
class Replacing {
public:
    Replacing(Interface* (*install)(Interface*), Interface* replacement)
        : install_(install), previous_(install(replacement)) {}
    ~Replacing() { install_(previous_); }
    Replacing(const Replacing&) = delete;
    Replacing& operator=(const Replacing&) = delete;

private:
    Interface* (*install_)(Interface*);
    Interface* previous_;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets pending messages run (layout, paint) without blocking.
    static void Pump();

    ModalDriver Driver() const { return ModalDriver(owner_); }
    // Runs a command that may ask questions; answers them in order and
    // returns the texts of the boxes it showed.
    Strings RunAnswering(const std::function<void()>& command, std::deque<int> answers) const;
    // A note window shown without activation at (100, 100), with the title
    // and body text when given; `after` places it in the z-order.
    CNoteDialog* NewNote(const std::string& title, const std::string& text, int width = 300, int height = 200,
                         HWND after = nullptr) const;

    std::filesystem::path dir_;
    RecordedNotices notices_;
    INoticeSink* previousSink_ = nullptr;
    HWND owner_ = nullptr;
};
