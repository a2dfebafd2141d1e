#include "form.h"

#include "dpi.h"

#include <commctrl.h>

namespace win32 {
namespace {

const wchar_t kFormClass[] = L"QuarnForm";
// A drop-down combo box's window height is the height of its open list; closed, it is as tall
// as its font needs, like any combo box.
const int kComboListItems = 16;
// The hidden labels that name controls for screen readers; nothing looks them up.
const int kUnnamedId = -1;

HFONT CreatePointFont(const wchar_t* face, int centipoints, BYTE quality, unsigned dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(centipoints, dpi, 7200);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = quality;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// Where the twips give a control less than one line of its font inside its edges (the frame
// box's Arial 14.25 pt in 375 twips), it grows downwards by what is missing.
void HoldOneLine(HWND control, HFONT font) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client, frame;
    GetClientRect(control, &client);
    int missing = metrics.tmHeight - client.bottom;
    if (missing <= 0) return;
    GetWindowRect(control, &frame);
    SetWindowPos(control, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int TwipsToPixels(int twips, unsigned dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

Form::Form(const wchar_t* caption, int clientWidthTwips, int clientHeightTwips, int iconId,
           std::span<const ControlSpec> controls)
    : caption_(caption),
      clientWidthTwips_(clientWidthTwips),
      clientHeightTwips_(clientHeightTwips),
      iconId_(iconId),
      controls_(controls) {}

Form::~Form() {
    if (window_) DestroyWindow(window_);
    for (HFONT font : fonts_) DeleteObject(font);
}

bool Form::Create(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId_));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId_), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);

    if (!CreateWindowExW(0, kFormClass, caption_, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this))
        return false;
    dpi_ = WindowDpi(window_);
    // Created in table order, which is the tab order, and where they lie: created empty and
    // then moved, each would be laid out twice. A screen reader names a control after the label
    // made just before it, also a hidden one.
    for (const ControlSpec& control : controls_) {
        RECT place = ControlRect(control);
        if (control.accessibleName)
            CreateWindowExW(0, WC_STATICW, control.accessibleName, WS_CHILD | SS_LEFT | SS_NOPREFIX, place.left,
                            place.top, place.right - place.left, place.bottom - place.top, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kUnnamedId)), instance, nullptr);
        CreateWindowExW(control.exStyle, control.windowClass, control.text, WS_CHILD | WS_VISIBLE | control.style,
                        place.left, place.top, place.right - place.left, place.bottom - place.top, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    }
    SetFonts();

    // Sized and centred in one move, and not yet activated: activating a hidden window only
    // delays its showing, which activates it anyway.
    RECT frame{0, 0, TwipsToPixels(clientWidthTwips_, dpi_), TwipsToPixels(clientHeightTwips_, dpi_)};
    AdjustFrameForDpi(frame, WS_OVERLAPPEDWINDOW, 0, dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    OnCreated();
    // The first control that takes the keyboard gets it when the window is activated, as it gets
    // back the control that had it on each later activation: the keyboard moves once, not twice.
    focus_ = GetNextDlgTabItem(window_, nullptr, FALSE);
    ShowWindow(window_, showCommand);
    return true;
}

int Form::Run() {
    MSG message;
    for (;;) {
        // Every message that waits comes first, then one turn of the window's work: the window's
        // messages, input and painting among them, never wait for more than one piece of it.
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!OnIdle()) MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring Form::ItemText(int id) const {
    HWND item = Item(id);
    std::wstring text(GetWindowTextLengthW(item), L'\0');
    GetWindowTextW(item, text.data(), static_cast<int>(text.size()) + 1);
    return text;
}

void Form::SetItemText(int id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }

void Form::EnsureClientHeight(int heightTwips) {
    // Measured each time: the operator may have made the window smaller since. The width stays.
    RECT client, frame;
    GetClientRect(window_, &client);
    int missing = TwipsToPixels(heightTwips, dpi_) - client.bottom;
    if (missing <= 0 || IsIconic(window_) || IsZoomed(window_)) return;
    GetWindowRect(window_, &frame);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Form::ControlRect(const ControlSpec& control) const {
    int left = TwipsToPixels(control.left, dpi_), top = TwipsToPixels(control.top, dpi_);
    int height = TwipsToPixels(control.height, dpi_);
    if (lstrcmpiW(control.windowClass, WC_COMBOBOXW) == 0) height *= kComboListItems + 1;
    return {left, top, left + TwipsToPixels(control.width, dpi_), top + height};
}

void Form::SetFonts() {
    for (HFONT font : fonts_) DeleteObject(font);
    // The dialog font in the user's choice of smoothing; a control's own font in ClearType.
    fonts_.assign(1, CreatePointFont(kDialogFontFace, kDialogFontCentipoints, DEFAULT_QUALITY, dpi_));
    for (const ControlSpec& control : controls_) {
        HFONT font = fonts_.front();
        if (control.fontFace)
            font = fonts_.emplace_back(
                CreatePointFont(control.fontFace, control.fontCentipoints, CLEARTYPE_QUALITY, dpi_));
        SendMessageW(Item(control.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        HoldOneLine(Item(control.id), font);
    }
}

void Form::Layout() {
    // Placed first, then fonted: the fonts may make a control taller than its twips.
    for (const ControlSpec& control : controls_) {
        RECT place = ControlRect(control);
        MoveWindow(Item(control.id), place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    }
    SetFonts();
}

bool Form::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        ScaleFrameWithDpi(window);
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form ? form->Dispatch(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // While one of our modal boxes is open the window is disabled: the operator cannot click,
        // and no handler may run inside another one. A disabled control cannot be clicked either.
        if (lParam && IsWindowEnabled(window_) && IsWindowEnabled(reinterpret_cast<HWND>(lParam)))
            OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        Layout();
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_ACTIVATE:
        // Keep the keyboard focus on the control that had it, as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            focus_ = GetFocus();
        } else if (focus_ && IsWindow(focus_) && IsWindowEnabled(focus_)) {
            SetFocus(focus_);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND window = window_;
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default: {
        LRESULT result = 0;
        if (OnMessage(message, wParam, lParam, result)) return result;
        break;
    }
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace win32
