// Keyboard helpers shared by the windows.
#pragma once

class QWidget;

namespace gvc::gui {

// Enter and Return click the push button that has the focus, in every window
// (Qt does so only for buttons of dialogs that are their default).
void EnterClicksFocusedButtons(QWidget* root);

}  // namespace gvc::gui
