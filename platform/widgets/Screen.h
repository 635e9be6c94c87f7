#pragma once

// The screen cursor shared by all windows of the application.
enum TCursor : int { crDefault = 0, crArrow = -2, crHourGlass = -11 };

namespace Screen {

TCursor Cursor();
// Sets the cursor of every window of the application until it is set again.
void SetCursor(TCursor cursor);

} // namespace Screen
