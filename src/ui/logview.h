#pragma once
// The readings log's view: an editable plain-text view built for a text that
// grows by one short line a second for days. It holds the logical lines as
// UTF-8 (a log line fits a string's own buffer, so about 32 bytes a line and
// no heap block of its own) and lays out, wraps and paints only the lines on
// screen, so appending, painting and loading cost the same however many lines
// it holds.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

class QTextLayout;

namespace tav {

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);
    ~LogView() override;

    // The whole text: the lines with "\n" between them, and a final "\n" when
    // the text ends with a line break.
    QString toPlainText() const;
    // Replaces the text. CR LF, a lone CR and a lone LF are each one line
    // break; every other character is kept. The cursor goes to the start and
    // the view to the top.
    void setPlainText(const QString& text);
    void setUtf8Text(std::string_view utf8);
    // The text as UTF-8 with `lineBreak` between lines, in one pass.
    std::string utf8Text(std::string_view lineBreak) const;

    // Appends `line` as the last line, on a line of its own: an empty or
    // terminated text gets the line and a break after it; an unterminated
    // last line gets a break before the new line, which then stays
    // unterminated. The operator's cursor and selection stay where they are.
    void appendLogLine(const QString& line);
    void appendLogLine(std::string_view utf8Line);

    // The lines; the empty place after a final line break is not one.
    std::size_t lineCount() const;
    QString line(std::size_t index) const;
    bool endsWithLineBreak() const;

    // The text cursor as (line, column in UTF-16 units); lineCount() is a
    // valid line only when the text ends with a line break (the empty place
    // after it). The anchor is the selection's other end.
    std::size_t cursorLine() const { return m_cursor.line; }
    int cursorColumn() const { return m_cursor.column; }
    void setCursorPosition(std::size_t line, int column);
    bool hasSelection() const { return m_cursor != m_anchor; }
    QString selectedText() const;
    void selectAll();

    // The first line on screen, and whether the view follows the end of the
    // text as lines are appended.
    std::size_t topLine() const;
    bool isFollowingEnd() const { return m_follow; }
    // The rows line `index` takes at the view's present width.
    int rowCount(std::size_t index) const;

    QSize sizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    struct Position {
        std::size_t line = 0;
        int column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend auto operator<=>(const Position& a, const Position& b)
        {
            if (a.line != b.line)
                return a.line <=> b.line;
            return a.column <=> b.column;
        }
    };

    QString block(std::size_t i) const;
    void setBlock(std::size_t i, const QString& text);
    Position endPosition() const;
    Position clamp(Position p) const;

    void layOut(QTextLayout& layout, std::size_t i) const;
    int rowHeight() const;
    int textWidth() const;
    int capacityRows() const;
    bool fitsToEnd(std::size_t top) const;
    std::size_t topForEnd() const;
    std::size_t topShowingAtBottom(std::size_t line) const;
    void scrollToLine(std::size_t top);
    void scrollByLines(long delta);
    void ensureCursorVisible();
    Position hit(const QPoint& viewportPos) const;

    void insertText(const QString& text);
    void removeSelection();
    void removeRange(Position from, Position to);
    void moveCursor(Position to, bool select);
    void copy() const;
    void restartBlink();
    void changed();

    // The text as blocks separated by line breaks: never empty, and the last
    // block is empty when the text ends with a break (or is empty).
    std::deque<std::string> m_blocks;
    Position m_cursor;
    Position m_anchor;
    std::size_t m_top = 0;
    bool m_follow = true;
    bool m_caretShown = true;
    bool m_dragging = false;
    QBasicTimer m_blink;
};

} // namespace tav
