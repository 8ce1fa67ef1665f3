#pragma once

#include <QIcon>

// Icons painted in code, so the window looks the same on systems without an
// icon theme: the application's own icon and the toolbar's glyphs.
QIcon AppIcon();

enum class ToolGlyph { New, Open, Save, Cut, Copy, Paste, Print, About };
QIcon ToolIcon(ToolGlyph glyph);
