#pragma once

#include <QMenu>

class QAction;

namespace candlewatcher {

// The tray icon's menu (right click, or the host's menu on a StatusNotifierItem tray): the ways into the
// program without opening the list window first, and the way out.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(QWidget* parent = nullptr);

    QAction* ShowBirthdays = nullptr;
    QAction* AddBirthday = nullptr;
    QAction* Settings = nullptr;
    QAction* Quit = nullptr;
};

} // namespace candlewatcher
