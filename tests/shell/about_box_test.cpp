#include "shell/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "shell/open_target.h"
#include "tests/shell/label_fit.h"

namespace {

TEST(AboutBoxTest, ShowsTheProductTextsAndTwoLinks) {
    CAboutBox box;
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.GetAboutLabel()->text(), "Drapewell 1.50 Build 05/09/2009");
    EXPECT_EQ(box.GetNoticeLabel()->text().toStdString(), CAboutBox::GetNoticeText());
    EXPECT_EQ(box.GetOkButton()->text(), "&OK");
    EXPECT_TRUE(box.GetOkButton()->isDefault());

    QLabel* web = box.GetWebLink().GetLabel();
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->text().toStdString(), GetProjectWebAddress());
    EXPECT_EQ(box.GetWebLink().GetTarget(), GetProjectWebAddress());

    QLabel* support = box.GetSupportLink().GetLabel();
    ASSERT_NE(support, nullptr);
    EXPECT_EQ(support->text().toStdString(), GetSupportAddress());
    EXPECT_EQ(box.GetSupportLink().GetTarget(), "mailto:" + GetSupportAddress());
    EXPECT_EQ(support->toolTip().toStdString(), "mailto:" + GetSupportAddress());
    EXPECT_TRUE(support->font().underline());
}

TEST(AboutBoxTest, EveryTextShowsWholeAtTheDefaultFontAndOneHalfLarger) {
    const QFont original = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * scale);
        QApplication::setFont(font);
        CAboutBox box;
        EXPECT_EQ(label_fit::CutLabels(box), std::vector<std::string>{}) << scale;
        for (const QLabel* label : box.findChildren<QLabel*>())
            EXPECT_FALSE(label->geometry().intersects(box.GetOkButton()->geometry()))
                << label->text().toStdString();
        EXPECT_TRUE(QRect(QPoint(0, 0), box.size()).contains(box.GetOkButton()->geometry()));
    }
    QApplication::setFont(original);
}

TEST(AboutBoxTest, OkCloses) {
    CAboutBox box;
    box.show();
    box.GetOkButton()->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

}  // namespace
