#pragma once

class QWidget;

namespace candlewatcher {

// Tells assistive technology that a top-level QWidget is a window. Qt gives a plain QWidget the role of a
// client area ("filler" over AT-SPI), under which screen readers neither announce it when it opens nor
// list it among the program's windows; dialogs have their role already.
void GiveWindowRole(QWidget& window);

} // namespace candlewatcher
