#pragma once

#include <QIcon>

// The program's icon (window, tray, About box): a framed landscape, drawn
// at the usual icon sizes.
QIcon MainIcon();
