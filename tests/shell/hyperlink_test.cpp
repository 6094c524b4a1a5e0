#include "shell/hyperlink.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include "platform/qt/messages.h"

namespace {

class HyperLinkTest : public testing::Test {
protected:
    void SetUp() override {
        previousSink_ = platform::SetMessageSink(
            [this](const platform::Message& m) { messages_.push_back(m); });
        parent_.resize(400, 200);
    }
    void TearDown() override { platform::SetMessageSink(previousSink_); }

    QLabel* Label(const QString& text, QRect rect, Qt::Alignment align = Qt::AlignLeft) {
        auto* label = new QLabel(text, &parent_);
        label->setAlignment(align);
        label->setGeometry(rect);
        return label;
    }

    static QColor Shown(const QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    }

    static void Send(QLabel* label, QEvent::Type type) {
        const QPointF inside(1, 1);
        if (type == QEvent::Enter) {
            QEnterEvent event(inside, inside, inside);
            QApplication::sendEvent(label, &event);
        } else if (type == QEvent::Leave) {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(label, &event);
        } else {
            QMouseEvent event(type, inside, inside, inside, Qt::LeftButton, Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(label, &event);
        }
    }

    QWidget parent_;
    std::vector<platform::Message> messages_;
    platform::MessageSink previousSink_;
};

TEST_F(HyperLinkTest, ColoursFollowHoverAndVisited) {
    CHyperLink link;
    QLabel* label = Label("https://a.invalid/", {10, 10, 200, 20});
    ASSERT_TRUE(link.Attach(label));
    const QColor highlight = QApplication::palette().color(QPalette::Highlight);
    EXPECT_EQ(Shown(label), QColor(0, 0, 238));
    Send(label, QEvent::Enter);
    EXPECT_TRUE(link.IsMouseOver());
    EXPECT_EQ(Shown(label), highlight);
    Send(label, QEvent::Leave);
    EXPECT_EQ(Shown(label), QColor(0, 0, 238));

    link.MarkVisited(true);
    EXPECT_EQ(Shown(label), QColor(85, 26, 139));
    Send(label, QEvent::Enter);
    EXPECT_EQ(Shown(label), highlight);
    Send(label, QEvent::Leave);
    EXPECT_EQ(Shown(label), QColor(85, 26, 139));

    link.SetLinkColors(Qt::red, Qt::green, Qt::blue);
    EXPECT_EQ(Shown(label), QColor(Qt::green));
    link.SetLinkColors(Qt::red, Qt::green);
    EXPECT_EQ(link.GetHoverColor(), highlight);
}

TEST_F(HyperLinkTest, AttachingTakesTextOrTargetAndSetsTheLook) {
    CHyperLink fromText;
    QLabel* addressLabel = Label("https://a.invalid/", {10, 10, 200, 20});
    fromText.Attach(addressLabel);
    EXPECT_EQ(fromText.GetTarget(), "https://a.invalid/");
    EXPECT_EQ(addressLabel->toolTip(), "https://a.invalid/");
    EXPECT_EQ(addressLabel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(addressLabel->font().underline());
    fromText.SetUnderlined(false);
    EXPECT_FALSE(addressLabel->font().underline());

    CHyperLink fromTarget;
    fromTarget.SetTarget("mailto:x@a.invalid");
    QLabel* empty = Label("", {10, 40, 200, 20});
    fromTarget.Attach(empty);
    EXPECT_EQ(empty->text(), "mailto:x@a.invalid");
    fromTarget.SetTarget("https://b.invalid/");
    EXPECT_EQ(empty->toolTip(), "https://b.invalid/");
}

TEST_F(HyperLinkTest, FitsToTheTextByAlignment) {
    const QRect box(20, 10, 300, 40);
    auto fitted = [&](Qt::Alignment align, bool fit) {
        CHyperLink link;
        link.SetFitToText(fit);
        QLabel* label = Label("link", box, align);
        link.Attach(label);
        return label->geometry();
    };
    const QSize text = QFontMetrics(QLabel().font()).size(Qt::TextSingleLine, "link");
    ASSERT_LT(text.width(), box.width());

    const QRect left = fitted(Qt::AlignLeft | Qt::AlignTop, true);
    EXPECT_EQ(left, QRect(box.left(), box.top(), text.width(), text.height()));
    const QRect right = fitted(Qt::AlignRight | Qt::AlignTop, true);
    EXPECT_EQ(right.right(), box.right());
    EXPECT_EQ(right.width(), text.width());
    const QRect centred = fitted(Qt::AlignCenter, true);
    const int dx = (box.width() - text.width()) / 2;
    const int dy = (box.height() - text.height()) / 2;
    EXPECT_EQ(centred, box.adjusted(dx, dy, -dx, -dy));
    EXPECT_EQ(fitted(Qt::AlignLeft, false), box);
}

TEST_F(HyperLinkTest, AClickOpensMarksVisitedOrExplainsTheFailure) {
    CHyperLink link;
    QLabel* label = Label("https://a.invalid/", {10, 10, 200, 20});
    link.Attach(label);
    std::vector<std::string> opened;
    int result = 42;
    link.SetOpener([&](const std::string& target) {
        opened.push_back(target);
        return result;
    });
    Send(label, QEvent::MouseButtonPress);
    Send(label, QEvent::MouseButtonRelease);
    EXPECT_EQ(opened, std::vector<std::string>{"https://a.invalid/"});
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(messages_.empty());

    result = 31;
    link.Follow();
    EXPECT_FALSE(link.IsVisited());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text,
              "Unable to open hyperlink:\n\nThere is no application associated\n"
              "with the given filename extension.");
    EXPECT_EQ(messages_[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(messages_[0].caption, "Drapewell");

    // Codes above 32 mean success, so an unknown failure is one below.
    result = 12;
    link.Follow();
    EXPECT_EQ(messages_.back().text, "Unable to open hyperlink:\n\nUnknown Error (12) occurred.");
}

}  // namespace
