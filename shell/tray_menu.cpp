#include "shell/tray_menu.h"

#include <QAction>
#include <QMenu>

#include "platform/base/product.h"

namespace shell {

namespace {

struct MenuItem {
    unsigned command;  // 0: separator
    const char* text;
};

constexpr MenuItem kTrayItems[] = {
    {ID_TRAY_RESTORE, "&Restore"},
    {ID_TRAY_NEXT, "&Next"},
    {ID_TRAY_PREVIOUS, "&Previous"},
    {ID_TRAY_PAUSE, "&Pause"},
    {0, nullptr},
    {ID_TRAY_EXIT, "&Exit"},
};

}  // namespace

std::unique_ptr<QMenu> LoadMenuResource(unsigned id) {
    if (id != kTrayIconId)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    QMenu* popup = menu->addMenu(QStringLiteral("MENU_TRAY"));
    for (const MenuItem& item : kTrayItems) {
        if (item.command == 0) {
            popup->addSeparator();
            continue;
        }
        QAction* action = popup->addAction(QString::fromUtf8(item.text));
        action->setData(item.command);
        if (auto prompt = LoadStringResource(item.command))
            action->setStatusTip(QString::fromStdString(*prompt));
    }
    return menu;
}

std::optional<std::string> LoadStringResource(unsigned id) {
    switch (id) {
    case ID_TRAY_RESTORE:
        return "Restore dialog";
    case ID_TRAY_NEXT:
        return "Display next wallpaper";
    case ID_TRAY_PREVIOUS:
        return "Display the previous wallpaper again";
    case ID_TRAY_PAUSE:
        return "Pause or resume the automatic changes";
    case ID_TRAY_EXIT:
        return "Exit this program";
    case IDS_PRODUCT_NAME:
        return GetProductName();
    default:
        return std::nullopt;
    }
}

unsigned CommandOf(const QAction* action) {
    if (!action || action->isSeparator())
        return 0;
    bool ok = false;
    const unsigned command = action->data().toUInt(&ok);
    return ok ? command : 0;
}

}  // namespace shell
