#pragma once

// The line that says what decoding met on a damaged page, in a strip of its own above the page,
// so that it never covers a row of the page: dark text on a pale amber band, as warnings commonly
// look, cut with an ellipsis where the band ends and shown whole as the band's tool tip. Hidden
// while there is nothing to say.

#include <QString>
#include <QWidget>

namespace faxlens::viewer {

class DamageLine : public QWidget {
    Q_OBJECT

public:
    explicit DamageLine(QWidget* parent);

    const QString& Text() const { return text_; }
    // Shows the text, or hides the line when it is empty.
    void SetText(const QString& text);
    // The line's height while it shows, in pixels.
    int BandHeight() const;

signals:
    // A click on the line: the user wants to see the damage.
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString text_;
};

} // namespace faxlens::viewer
