// The window's controls: kinds, texts, identifiers and places, in tab order.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "app/main_dialog.h"
#include "app/main_dialog_controls.h"
#include "platform/hotkey/hotkey_keys.h"
#include "shell/dialog_units.h"

namespace {

// The window's size in dialog units.
constexpr int kDialogWidth = 380;
constexpr int kDialogHeight = 256 + kMonitorRowHeight;

}  // namespace

void CMainDlg::CreateControls() {
    const DialogBaseUnits units = BaseUnitsOf(font());
    auto place = [&](QWidget* w, int id, int x, int y, int width, int height) {
        if (id != 0)
            w->setObjectName(QString::number(id));
        w->setGeometry(DialogRectToPixels(x, y, width, height, units));
        return w;
    };
    auto label = [&](const char* text, int x, int y, int width, int height) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        place(l, 0, x, y, width, height);
        return l;
    };
    // A drop-down list is placed with its dropped height; closed, it takes
    // the height its style needs.
    auto dropDown = [&](int id, int x, int y, int width, int dropped) {
        auto* c = new QComboBox(this);
        place(c, id, x, y, width, dropped);
        c->resize(c->width(), c->sizeHint().height());
        c->setMaxVisibleItems(
            std::max(1, DialogYToPixels(dropped, units) / std::max(1, c->sizeHint().height())));
        return c;
    };
    auto button = [&](int id, const char* text, int x, int y, int width, int height) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        place(b, id, x, y, width, height);
        // Enter is the window's (see keyPressEvent), not a default button's.
        b->setAutoDefault(false);
        return b;
    };

    QLabel* imageLabel = label("&Image Directory:", 19, 10, 65, 8);
    imagePath_ = new QLineEdit(this);
    place(imagePath_, IDC_IMAGE_PATH, 22, 28, 164, 14);
    imagePath_->setReadOnly(true);
    imageLabel->setBuddy(imagePath_);
    browseImage_ = button(IDC_BROWSE_IMAGE, "...", 185, 28, 14, 14);
    imageList_ = new QListWidget(this);
    // The list leaves a row below it to "Previous" and "Next".
    place(imageList_, IDC_IMAGE_LIST, 22, 48, 176, 112);
    imageList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    imageList_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long paths lose their beginning, not the file name.
    imageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    imageList_->setTextElideMode(Qt::ElideLeft);
    imageList_->setUniformItemSizes(true);
    previousImage_ = button(IDC_PREVIOUS_IMAGE, "Pre&vious", 94, 163, 50, 14);
    nextImage_ = button(IDC_NEXT_IMAGE, "&Next", 148, 163, 50, 14);
    enableTimer_ = new QCheckBox(QStringLiteral("&Enable change wallpaper automatically"), this);
    place(enableTimer_, IDC_ENABLE_TIMER, 214, 10, 164, 10);
    timeInterval_ = new QLineEdit(this);
    place(timeInterval_, IDC_TIME_INTERVAL, 228, 27, 31, 14);
    timeInterval_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), timeInterval_));
    QLabel* fitnessLabel = label("&Fitness:", 213, 50, 33, 8);
    fitToScreen_ = new QCheckBox(QStringLiteral("Fit to screen"), this);
    place(fitToScreen_, IDC_FIT_TO_SCREEN, 259, 49, 68, 10);
    fitnessLabel->setBuddy(fitToScreen_);
    QLabel* positionLabel = label("&Position:", 213, 71, 37, 8);
    position_ = dropDown(IDC_POSITION, 259, 68, 74, 53);
    positionLabel->setBuddy(position_);
    QLabel* hotkeyLabel = label("&Hotkey:", 214, 93, 29, 8);
    hotkey_ = new CHotKeyCtrl(this);
    place(hotkey_, IDC_HOTKEY, 259, 90, 74, 15);
    hotkeyLabel->setBuddy(hotkey_);
    displayOrder_ = new QRadioButton(QStringLiteral("&Order"), this);
    place(displayOrder_, IDC_DISPLAY_ORDER, 233, 149, 36, 10);
    displayRandom_ = new QRadioButton(QStringLiteral("&Random"), this);
    place(displayRandom_, IDC_DISPLAY_RANDOM, 297, 149, 40, 10);
    playMusic_ = new QCheckBox(QStringLiteral("Play &background music from directory:"), this);
    place(playMusic_, IDC_PLAY_MUSIC, 21, 186, 172, 10);
    musicPath_ = new QLineEdit(this);
    place(musicPath_, IDC_MUSIC_PATH, 33, 202, 152, 14);
    musicPath_->setReadOnly(true);
    browseMusic_ = button(IDC_BROWSE_MUSIC, "...", 186, 202, 14, 14);
    playOrder_ = new QRadioButton(QStringLiteral("Ord&er"), this);
    place(playOrder_, IDC_PLAY_ORDER, 53, 233, 36, 10);
    playRandom_ = new QRadioButton(QStringLiteral("Rando&m"), this);
    place(playRandom_, IDC_PLAY_RANDOM, 128, 233, 40, 10);
    alwaysOnTop_ = new QCheckBox(QStringLiteral("Al&ways on top"), this);
    place(alwaysOnTop_, IDC_ALWAYS_ON_TOP, 213, 212, 78, 10);
    startAtLogin_ = new QCheckBox(QStringLiteral("Start at &login"), this);
    place(startAtLogin_, IDC_START_AT_LOGIN, 213, 226, 78, 10);
    hideToTray_ = new QCheckBox(QStringLiteral("Hide to &tray icon"), this);
    place(hideToTray_, IDC_HIDE_TO_TRAY, 213, 240, 85, 10);
    donate_ = button(IDC_DONATE, "&Donate", 319, 190, 50, 14);
    save_ = button(IDC_SAVE, "&Save", 319, 205, 50, 14);
    about_ = button(IDC_ABOUT, "&About", 319, 219, 50, 14);
    hide_ = button(IDC_HIDE, "&Hide", 319, 233, 50, 14);
    refreshImages_ = button(IDC_REFRESH_IMAGES, "Image Files:", 86, 8, 60, 14);
    refreshImages_->hide();
    intervalSpin_ = new CUpDownCtrl(this);
    place(intervalSpin_, IDC_INTERVAL_SPIN, 260, 27, 10, 14);
    intervalSpin_->SetBuddy(timeInterval_);
    label("second(5-600)", 274, 30, 65, 8);
    desktop_ = button(IDC_DESKTOP, "&Desktop", 147, 8, 51, 14);
    desktop_->hide();
    auto* displayMode = new QGroupBox(QStringLiteral("Display Mode"), this);
    place(displayMode, 0, 211, 133, 157, 33);
    auto* playMode = new QGroupBox(QStringLiteral("Play Mode"), this);
    place(playMode, 0, 33, 220, 165, 30);
    QLabel* note = label("Note: You can press hotkey to change current wallpaper immediately.", 214,
                         111, 145, 18);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    changeMethod_ = dropDown(IDC_CHANGE_METHOD, 283, 170, 86, 76);
    QLabel* tryThis = label("If can't change wallpaper, try this...", 210, 172, 65, 30);
    tryThis->setWordWrap(true);
    tryThis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    monitorControls_.Create(
        this,
        [&](QWidget* w, int id, int x, int y, int width, int height) {
            place(w, id, x, y, width, height);
        },
        256);

    // The group boxes only frame their buttons, which are the window's own
    // children; they must lie beneath them.
    displayMode->lower();
    playMode->lower();
    displayMode->setFocusPolicy(Qt::NoFocus);
    playMode->setFocusPolicy(Qt::NoFocus);

    // Each pair of radio buttons is a group of its own.
    auto* displayGroup = new QButtonGroup(this);
    displayGroup->addButton(displayOrder_, 0);
    displayGroup->addButton(displayRandom_, 1);
    auto* playGroup = new QButtonGroup(this);
    playGroup->addButton(playOrder_, 0);
    playGroup->addButton(playRandom_, 1);

    // Tab order: the table's order (creation order) for every control that
    // takes the focus.
    QWidget* const order[] = {imagePath_,
                              browseImage_,
                              imageList_,
                              previousImage_,
                              nextImage_,
                              enableTimer_,
                              timeInterval_,
                              fitToScreen_,
                              position_,
                              hotkey_,
                              displayOrder_,
                              displayRandom_,
                              playMusic_,
                              musicPath_,
                              browseMusic_,
                              playOrder_,
                              playRandom_,
                              alwaysOnTop_,
                              startAtLogin_,
                              hideToTray_,
                              donate_,
                              save_,
                              about_,
                              hide_,
                              refreshImages_,
                              desktop_,
                              changeMethod_,
                              monitorControls_.Mode(),
                              monitorControls_.MatchOrientation()};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Every text shows whole in this font; the window grows if one must.
    setFixedSize(FitLabels(
        this, QSize(DialogXToPixels(kDialogWidth, units), DialogYToPixels(kDialogHeight, units))));
}

void CMainDlg::ConnectHandlers() {
    connect(imageList_, &QListWidget::currentRowChanged, this, [this] { OnSelchangeImageList(); });
    connect(position_, &QComboBox::currentIndexChanged, this, [this] { OnSelchangePosition(); });
    connect(fitToScreen_, &QCheckBox::clicked, this, [this] { OnFitToScreen(); });
    connect(browseImage_, &QPushButton::clicked, this, [this] { BrowseImageDirectory(); });
    connect(refreshImages_, &QPushButton::clicked, this, [this] { RefreshImageList(); });
    connect(save_, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(enableTimer_, &QCheckBox::clicked, this, [this] { ApplyTimerSettings(); });
    connect(alwaysOnTop_, &QCheckBox::clicked, this, [this] { ApplyAlwaysOnTop(); });
    connect(displayOrder_, &QRadioButton::clicked, this, [this] { OnDisplayOrder(); });
    // A click on "Random" acts at once like one on its partner, so that the
    // choice is kept even when nothing else is saved before the program ends.
    connect(displayRandom_, &QRadioButton::clicked, this, [this] { OnDisplayOrder(); });
    connect(playMusic_, &QCheckBox::clicked, this, [this] { OnPlayMusicClicked(); });
    connect(browseMusic_, &QPushButton::clicked, this, [this] { BrowseMusicDirectory(); });
    connect(playOrder_, &QRadioButton::clicked, this, [this] { OnPlayOrder(); });
    connect(playRandom_, &QRadioButton::clicked, this, [this] { OnPlayOrder(); });
    connect(changeMethod_, &QComboBox::currentIndexChanged, this,
            [this] { OnSelchangeChangeMethod(); });
    connect(about_, &QPushButton::clicked, this, [this] { OnAbout(); });
    connect(donate_, &QPushButton::clicked, this, [this] { OpenDonationPage(); });
    connect(hide_, &QPushButton::clicked, this, [this] { HideWindow(); });
    connect(previousImage_, &QPushButton::clicked, this, [this] { ShowPreviousImage(); });
    connect(nextImage_, &QPushButton::clicked, this, [this] { ShowNextImage(); });
    // "&Desktop" (hidden) has no effect.
    // Each timer calls its own handler. The hide timer is single-shot, so it
    // has stopped by the time the window hides.
    connect(&autoChangeTimer_, &QTimer::timeout, this, &CMainDlg::OnAutoChangeTimer);
    connect(&hideTimer_, &QTimer::timeout, this, &CMainDlg::HideWindow);
}
