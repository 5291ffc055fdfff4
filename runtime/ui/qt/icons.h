// Icons for buttons, images and menus, found through ui::resolveIcon. The
// built-in ones come from the desktop theme when it has them, otherwise they
// are drawn here.
#pragma once

#include <QIcon>
#include <string>

namespace ui::qt {

// A null icon when nothing was found.
QIcon loadIcon(const std::string& name);
// A drawn built-in icon by canonical name ("SALIR"); null for unknown names.
QIcon drawnIcon(const std::string& builtin);

}  // namespace ui::qt
