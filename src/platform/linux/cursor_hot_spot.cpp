#include "platform/window.h"

namespace KVX::Platform
{
// The pointer's position is the arrow's tip on X11 servers without a cursor theme.
void CursorHotSpot(int& x, int& y)
{
    x = 0;
    y = 0;
}
} // namespace KVX::Platform
