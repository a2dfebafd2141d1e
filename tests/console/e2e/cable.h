// The virtual null-modem cables of the Wine session (tools/wine/cable), from inside Wine.
#pragma once

namespace cable {

// COMa and COMb become the two ends of one cable; true once it is up.
bool Connect(int a, int b);
// The cable at COMa goes away, as a pulled adapter does; true once it is gone.
bool Pull(int a);

}  // namespace cable
