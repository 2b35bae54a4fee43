// TQuenlarkWebLink: a hyperlink label. An underlined caption in link colours that sizes
// itself to its text and takes the keyboard focus. A click opens its URL through the
// desktop's launcher or, when it has no URL, raises OnClick.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

namespace quenlark {

class TQuenlarkWebLink : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(bool Bold READ Bold WRITE SetBold)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // Takes its font from the parent (Tahoma 8 point when it has none). Starts as
    // "Click Here", 100 by 20, not sized to its text.
    explicit TQuenlarkWebLink(QWidget* parent = nullptr);
    ~TQuenlarkWebLink() override;

    // Raised by Click when URL is empty, with the link as sender.
    TNotifyEvent OnClick;

    QString Caption() const { return FCaption; }
    // Stores the text (shown as it is, never as markup), resizes to it and repaints.
    void SetCaption(const QString& caption);

    QString URL() const { return FURL; }
    // A caption still at "Click Here", or showing the old URL, becomes the new URL.
    void SetURL(const QString& url);

    bool Bold() const { return FBold; }
    void SetBold(bool bold);

    // Whether Tab reaches the link. A mouse press focuses it either way.
    bool TabStop() const;
    void SetTabStop(bool tabStop);

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    // Opens URL with the desktop's launcher, or raises OnClick when URL is empty.
    virtual void Click();

    QSize sizeHint() const override { return FPreferredSize; }
    QSize minimumSizeHint() const override { return FPreferredSize; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Makes the link's font underlined (never italic or struck out), bold as Bold says.
    void setCanvasFont();
    // setCanvasFont, then size to the caption: text width + 5 by text height + 3.
    void setCtrlSize();
    void takeFocus();

    QString FCaption;
    QString FURL;
    QColor FNormalColour;
    QColor FOverColour;
    QColor FFocusColour;
    bool FOver = false;
    bool FBold = false;
    bool FPressed = false; // left button went down on the link
    int FTag = 0;
    QSize FPreferredSize;
};

} // namespace quenlark
