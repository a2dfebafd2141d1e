// Control identifiers of the installer window; the end-to-end tests find the controls by them.
#pragma once

namespace loadkit_ids {

enum : int {
    kCommand1 = 100,
    kCommand2,
    kCommand3,
    kLabel1,
    kText1,
    kText2,
    kLabel2,
};

inline constexpr int kIcon = 1;
inline constexpr wchar_t kCaption[] = L"VelmoUSB驱动安装程序";

}  // namespace loadkit_ids
