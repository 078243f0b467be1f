#include "platform/posix/scroll_tracking.hpp"

#include <algorithm>

namespace maze {

int windowRowsScrolledUp(const ModelConsole& screen, const SmallRect& scroll, const SmallRect* clip,
                         Coord destination) {
  const SmallRect& w = screen.window();
  const int left = std::max<int>(scroll.left, 0);
  const int right = std::min<int>(scroll.right, screen.width() - 1);
  const int top = std::max<int>(scroll.top, 0);
  const int bottom = std::min<int>(scroll.bottom, screen.height() - 1);
  const int rows = scroll.top - destination.y;
  if (left > right || top > bottom || destination.x != scroll.left || rows <= 0) return 0;
  // The rows that land in the window must all come from inside the scroll.
  if (left > w.left || right < w.right || top > w.top + rows || bottom < w.bottom) return 0;
  if (clip && (clip->left > w.left || clip->right < w.right || clip->top > w.top ||
               clip->bottom < w.bottom)) {
    return 0;
  }
  return rows;
}

}  // namespace maze
