// The members of the control-skin family: each draws one kind of standard
// control flat and reacts to the messages after which that control repaints.
#pragma once

#include "skin/SkinEngine.h"

// Buttons that became owner-drawn after they were skinned (a flat button
// took them over) draw themselves; their skin then stays out of the way.
class CButtonSkinBase : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    bool OwnerDrawn() const;
    void DrawPushFrame(HDC dc, const RECT& rect);
};

class CPushButtonSkin : public CButtonSkinBase {
public:
    using CButtonSkinBase::CButtonSkinBase;
    void DrawFrame(HDC dc, RECT rect) override;
};

class CCheckBoxSkin : public CButtonSkinBase {
public:
    using CButtonSkinBase::CButtonSkinBase;
    bool HasFocus() override { return false; }
    void DrawFrame(HDC dc, RECT rect) override;

protected:
    // The 13 x 13 box (or the mark's square) inside the control.
    RECT MarkRect(const RECT& rect) const;
};

class CRadioSkin : public CCheckBoxSkin {
public:
    using CCheckBoxSkin::CCheckBoxSkin;
    void DrawFrame(HDC dc, RECT rect) override;
};

class CEditSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, RECT rect) override;

protected:
    // The up-down control attached to this edit, or nullptr.
    HWND AttachedUpDown() const;
};

class CComboEditSkin : public CEditSkin {
public:
    using CEditSkin::CEditSkin;
    void GetFrameDC(HDC& dc, RECT& rect) override;
};

class CComboSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, RECT rect) override;
    bool HasFocus() override;
};

class CDateTimeSkin : public CComboSkin {
public:
    using CComboSkin::CComboSkin;
    void DrawFrame(HDC dc, RECT rect) override;
};

class CUpDownSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    void DrawFrame(HDC dc, RECT rect) override;
};

class CScrollBarSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, RECT rect) override;
};

class CIPAddressSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HasFocus() override;
};

class CTrackbarSkin : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    void DrawFrame(HDC dc, RECT rect) override;
};

// Header, toolbar and tab: items, one of which may be hot.
class CItemSkinBase : public CControlSkin {
public:
    using CControlSkin::CControlSkin;
    bool NeedsHotUpdate(POINT cursor) override;

protected:
    virtual int ItemAt(POINT client) const = 0;
    // Where the client area lies in the frame's device context.
    POINT ClientOffset() const;
};

class CHeaderSkin : public CItemSkinBase {
public:
    using CItemSkinBase::CItemSkinBase;
    void DrawFrame(HDC dc, RECT rect) override;

protected:
    int ItemAt(POINT client) const override;
};

class CToolbarSkin : public CItemSkinBase {
public:
    using CItemSkinBase::CItemSkinBase;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, RECT rect) override;

protected:
    int ItemAt(POINT client) const override;
};

class CTabSkin : public CToolbarSkin {
public:
    using CToolbarSkin::CToolbarSkin;
    bool HasFocus() override { return false; }
    void DrawFrame(HDC dc, RECT rect) override;

protected:
    int ItemAt(POINT client) const override;
};

namespace skin_draw {
// The flat button of scroll arrows, thumbs, drop-down buttons and up-down
// halves.
void FlatButtonFrame(HDC dc, const RECT& r, bool hot);
// A flat scroll bar: `ctl` for a stand-alone scroll bar control, else the
// control's own bar `bar` (SB_HORZ / SB_VERT).
void FlatScrollBar(HDC dc, HWND hwnd, const RECT& r, bool vertical, bool standAlone, bool hot);
}  // namespace skin_draw
