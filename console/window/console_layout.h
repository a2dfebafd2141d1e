// Portlens's window as its twips table lays it out: the client area and the controls.
#pragma once

#include "console/window/control_ids.h"
#include "win32/form.h"

#include <commctrl.h>

namespace console_layout {

using namespace console_ids;

inline constexpr int kClientWidth = 5400, kClientHeight = 2580;

inline constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
// The commands and the frame box are made disabled, as Form_Load leaves them until a port is
// open: then none of them has to change before the window first shows.
inline constexpr DWORD kCommandButton = kButton | WS_DISABLED;

// In tab order, which is the creation order. No label names the frame box or the port list (the
// reply display comes before the list): their names for screen readers are given here.
inline constexpr win32::ControlSpec kControls[] = {
    {kText2, WC_EDITW, L"", ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP | WS_DISABLED, 600, 840, 1335, 375, L"Arial",
     1425, WS_EX_CLIENTEDGE, L"Frame number"},
    {kCommand1, WC_BUTTONW, L"+", kCommandButton, 2160, 840, 495, 375},
    {kCommand2, WC_BUTTONW, L"-", kCommandButton, 2880, 840, 495, 375},
    {kCommand3, WC_BUTTONW, L"=", kCommandButton, 3600, 840, 495, 375},
    {kCommand4, WC_BUTTONW, L"?", kCommandButton, 4320, 840, 495, 375},
    {kCommand5, WC_BUTTONW, L"QID", kCommandButton, 600, 1320, 855, 375},
    {kCommand8, WC_BUTTONW, L"SEQ0", kCommandButton, 1560, 1320, 735, 375},
    {kCommand9, WC_BUTTONW, L"SEQ1", kCommandButton, 2400, 1320, 735, 375},
    {kCommand10, WC_BUTTONW, L"SEQ2", kCommandButton, 3240, 1320, 735, 375},
    {kCommand11, WC_BUTTONW, L"SEQ3", kCommandButton, 4080, 1320, 735, 375},
    // Replies hold any bytes: no '&' prefixes, one line, cut with an ellipsis when too long.
    {kLabel1, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_CENTERIMAGE, 600, 1920, 4215, 375,
     nullptr, 0, WS_EX_STATICEDGE},
    {kCombo1, WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 600, 240, 1575,
     300, nullptr, 0, 0, L"Serial port"},
    {kOpenPort, WC_BUTTONW, L"Open Serial Port", kButton, 3000, 240, 1815, 375},
};

}  // namespace console_layout
