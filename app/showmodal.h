#pragma once

class QWidget;

namespace app {

// Shows a top-level window modally and returns once it has closed. The window is
// deleted on closing.
void showModal(QWidget *window);

} // namespace app
