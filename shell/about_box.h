#pragma once

// The About box: the program's icon, name, version and build, a notice line,
// and two links, the project's web address and its support address (opened
// as "mailto:" followed by the address shown).

#include <QDialog>
#include <string>

#include "shell/hyperlink.h"

class QLabel;
class QPushButton;

class CAboutBox : public QDialog {
public:
    explicit CAboutBox(QWidget* parent = nullptr);

    static std::string GetNoticeText();

    const std::string& GetAboutText() const { return aboutText_; }
    CHyperLink& GetWebLink() { return webLink_; }
    CHyperLink& GetSupportLink() { return supportLink_; }
    QLabel* GetAboutLabel() const { return aboutLabel_; }
    QLabel* GetNoticeLabel() const { return noticeLabel_; }
    QPushButton* GetOkButton() const { return okButton_; }

private:
    std::string aboutText_;
    QLabel* aboutLabel_ = nullptr;
    QLabel* noticeLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
    CHyperLink webLink_;
    CHyperLink supportLink_;
};
