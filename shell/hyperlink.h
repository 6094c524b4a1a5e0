#pragma once

// Turns a text label into a link: underlined text in the link colour, the
// hover colour while the pointer is over it, the visited colour once it has
// been followed, a hand cursor and a tooltip naming the target. A click opens
// the target through the desktop; a failure beeps and says why.

#include <QColor>
#include <QCursor>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

class QLabel;

class CHyperLink : public QObject {
public:
    CHyperLink();
    ~CHyperLink() override;

    // Takes over `label` (the set-up of an existing control): an empty target
    // takes the label's text, an empty text shows the target; underline,
    // fit, cursor and tooltip are applied. False for a null label.
    bool Attach(QLabel* label);
    QLabel* GetLabel() const { return label_.data(); }

    void SetTarget(const std::string& target);
    std::string GetTarget() const { return target_; }

    // An invalid hover colour stands for the palette's highlight colour.
    void SetLinkColors(const QColor& link, const QColor& visited, const QColor& hover = QColor());
    QColor GetLinkColor() const { return linkColor_; }
    QColor GetVisitedColor() const { return visitedColor_; }
    QColor GetHoverColor() const { return hoverColor_; }
    // The colour the text shows now.
    QColor GetCurrentColor() const;

    void MarkVisited(bool visited = true);
    bool IsVisited() const { return visited_; }
    bool IsMouseOver() const { return mouseOver_; }

    // No cursor means the desktop's pointing hand.
    void SetHandCursor(std::optional<QCursor> cursor);
    QCursor GetHandCursor() const { return handCursor_; }

    void SetUnderlined(bool underlined);
    bool IsUnderlined() const { return underlined_; }

    void SetFitToText(bool fit);
    bool GetFitToText() const { return fitToText_; }

    // What a click calls to open the target; by default OpenTarget.
    using Opener = std::function<int(const std::string& target)>;
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // What a click does: open, then mark visited or report the failure.
    void Follow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyColor();
    void ApplyFont();
    void FitToText();
    void SetMouseOver(bool over);

    QColor linkColor_{0, 0, 238};
    QColor visitedColor_{85, 26, 139};
    QColor hoverColor_;
    bool mouseOver_ = false;
    bool visited_ = false;
    bool underlined_ = true;
    bool fitToText_ = true;
    std::string target_;
    QCursor handCursor_{Qt::PointingHandCursor};
    QPointer<QLabel> label_;
    Opener opener_;
};
