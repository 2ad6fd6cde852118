#pragma once
// The pictures the window shows, drawn by the program itself.
#include <QIcon>
#include <QPixmap>

namespace tav {

// 32 x 32: a green check mark.
QIcon checkMarkIcon();
// 16 x 16 button glyphs: a page with a red arrow down into a floppy disk; a
// yellow opened folder.
QPixmap saveGlyph();
QPixmap openGlyph();

} // namespace tav
