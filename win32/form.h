// A program's one main window, laid out in twips from a table of controls, at the window's DPI,
// in the dialog font; a control whose font needs more room than its twips grows to one line.
// Each program derives from it, as the scratch-program skeleton does: the window procedure
// routes a message to a short handler of the derived window.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace win32 {

int TwipsToPixels(int twips, unsigned dpi);

// The font that layouts in twips are made for: the dialog font, at 8 points. Windows maps this
// face to Tahoma (FontSubstitutes), and Chinese Windows links SimSun to Tahoma for the Chinese
// characters. The message font (Segoe UI or Microsoft YaHei, 9 points) needs more room.
inline constexpr wchar_t kDialogFontFace[] = L"MS Shell Dlg 2";
inline constexpr int kDialogFontCentipoints = 800;

struct ControlSpec {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;  // WS_CHILD and WS_VISIBLE are added
    int left, top, width, height;  // twips, relative to the client area
    const wchar_t* fontFace = nullptr;  // nullptr: the dialog font
    int fontCentipoints = 0;             // the size of fontFace, in 1/100 points
    DWORD exStyle = 0;
    // For a control that no label before it names: the name that screen readers give it.
    const wchar_t* accessibleName = nullptr;
};

class Form {
public:
    Form(const wchar_t* caption, int clientWidthTwips, int clientHeightTwips, int iconId,
         std::span<const ControlSpec> controls);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window centred on the screen, then its controls, calls OnCreated and shows it.
    bool Create(HINSTANCE instance, int showCommand);
    // The message loop, with the dialog manager's keyboard navigation; returns the exit code.
    // Whenever no message waits, it gives the window a turn for work of its own (OnIdle).
    int Run();

    HWND Hwnd() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    // Makes the client area at least this many twips high (keeping the width).
    void EnsureClientHeight(int heightTwips);

protected:
    virtual void OnCreated() {}
    virtual void OnCommand(int id, int notification) = 0;
    // Messages the base does not handle; return false for the default processing.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // One piece of the window's own work; true when more is left for the next turn.
    virtual bool OnIdle() { return false; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    RECT ControlRect(const ControlSpec& control) const;  // at the window's DPI, in client pixels
    void SetFonts();
    void Layout();  // fonts and places anew, for a new DPI

    const wchar_t* caption_;
    int clientWidthTwips_;
    int clientHeightTwips_;
    int iconId_;
    std::span<const ControlSpec> controls_;
    HWND window_ = nullptr;
    HWND focus_ = nullptr;
    unsigned dpi_ = 96;
    std::vector<HFONT> fonts_;
};

}  // namespace win32
