#pragma once

#include <QAccessible>

class QWidget;

namespace platform {

// Gives a widget the role a screen reader knows it by, where Qt would present a plain container
// (a status bar, a toolbar) or an ordinary dialog (a message box: an alert). Set it first: giving
// the widget a name or description already makes Qt settle on its role.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

} // namespace platform
