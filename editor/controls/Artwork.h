#pragma once
// The editor's own pictures: the application icon and the seven command
// images of the toolbar. Drawn here in the 16 colours of the classic palette,
// pixel for pixel, on the image list's mask colour (silver), so no image file
// has to travel with the program.
#include <QImage>

namespace Artwork {

// 32 x 32, the main window's icon.
QImage applicationIcon();

// 35 x 35 on a silver (&H00C0C0C0) background, in toolbar order:
// 1 new banner, 2 clear banner, 3 background colour, 4 add text,
// 5 banner size, 6 background image, 7 fonts. Null for other numbers.
QImage toolbarImage(int number);

inline constexpr int ToolbarImageCount = 7;

} // namespace Artwork
