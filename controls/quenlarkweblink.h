// TQuenlarkWebLink: a hyperlink label. An underlined caption in link colours that sizes
// itself to its text and takes the keyboard focus. A click opens its URL through the
// desktop's launcher or, when it has no URL, emits clicked().
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace quenlark {

class TQuenlarkWebLink : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(bool Bold READ Bold WRITE SetBold)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    // Takes its font from the parent (Tahoma 8 point when it has none). Starts as
    // "Click Here", 100 by 20, not sized to its text.
    explicit TQuenlarkWebLink(QWidget* parent = nullptr);
    ~TQuenlarkWebLink() override;

    QString Caption() const { return caption_; }
    // Stores the text (shown as it is, never as markup), resizes to it and repaints.
    void SetCaption(const QString& caption);

    QString URL() const { return url_; }
    // A caption still at "Click Here", or showing the old URL, becomes the new URL.
    void SetURL(const QString& url);

    bool Bold() const { return bold_; }

    // The caption's colours: at rest, under the pointer, and with the focus.
    QColor NormalColour() const { return normalColour_; }
    QColor OverColour() const { return overColour_; }
    QColor FocusColour() const { return focusColour_; }
    void SetBold(bool bold);

    // Whether Tab reaches the link. A mouse press focuses it either way.
    bool TabStop() const;
    void SetTabStop(bool tabStop);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Opens URL with the desktop's launcher, or emits clicked() when URL is empty.
    virtual void Click();

    QSize sizeHint() const override { return preferredSize_; }
    QSize minimumSizeHint() const override { return preferredSize_; }

signals:
    // A click (mouse or Enter) on a link without a URL.
    void clicked();

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

    QString caption_;
    QString url_;
    QColor normalColour_;
    QColor overColour_;
    QColor focusColour_;
    bool over_ = false;
    bool bold_ = false;
    bool pressed_ = false; // left button went down on the link
    int tag_ = 0;
    QSize preferredSize_;
};

} // namespace quenlark
