// The log view: the text model, the line rule for appended log lines, editing
// with real key and mouse events, following the end, and what it paints.
#include "logview.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QInputMethodEvent>
#include <QtTest/QTest>

#include <string>
#include <vector>

using tav::LogView;

namespace {

struct Shown : ::testing::Test {
    LogView view;
    explicit Shown(QSize size = {300, 200})
    {
        view.resize(size);
        view.show();
        QApplication::processEvents();
    }
    void type(const char* text) { QTest::keyClicks(&view, QString::fromUtf8(text)); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&view, k, m); }
    void keys(Qt::Key k, int times, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        for (int i = 0; i < times; ++i)
            key(k, m);
    }
};

TEST(LogViewText, LineRuleForAppendedLines)
{
    struct Row {
        const char* before;
        std::vector<const char*> appended;
        const char* after;
    };
    const Row rows[] = {
        {"", {"a"}, "a\n"},
        {"", {"a", "b"}, "a\nb\n"},
        {"x\n", {"a"}, "x\na\n"},
        {"x\r\n", {"a"}, "x\na\n"},
        {"\n", {"a"}, "\na\n"},
        {"x", {"a"}, "x\na"},          // the break goes before the line
        {"x", {"a", "b"}, "x\na\nb"},  // and the log stays unterminated
        {"x\n\n", {"a"}, "x\n\na\n"},  // an empty line before is kept
        {"x\ny", {"08:00:00,1.0"}, "x\ny\n08:00:00,1.0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        LogView view;
        view.setPlainText(QString::fromUtf8(row.before));
        for (const char* line : row.appended)
            view.appendLogLine(QString::fromUtf8(line));
        EXPECT_EQ(view.toPlainText(), QString::fromUtf8(row.after));
    }
    // The UTF-8 form appends the same way.
    LogView view;
    view.appendLogLine(std::string_view("08:05:09,23,4"));
    view.appendLogLine(std::string_view("温度"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("08:05:09,23,4\n温度\n"));
}

TEST(LogViewText, EveryKindOfLineBreakIsOneBreak)
{
    struct Row {
        QString text;
        QStringList lines;
        bool terminated;
        QString plain;
    };
    const Row rows[] = {
        {QString(), {}, false, QString()},
        {QStringLiteral("\n"), {QString()}, true, QStringLiteral("\n")},
        {QStringLiteral("a\r\nb\r\n"), {"a", "b"}, true, QStringLiteral("a\nb\n")},
        {QStringLiteral("a\rb\r"), {"a", "b"}, true, QStringLiteral("a\nb\n")},
        {QStringLiteral("a\nb\n"), {"a", "b"}, true, QStringLiteral("a\nb\n")},
        {QStringLiteral("a,1\rb,2\nc,3\r\nd,4"),
         {"a,1", "b,2", "c,3", "d,4"},
         false,
         QStringLiteral("a,1\nb,2\nc,3\nd,4")},
        {QStringLiteral("a\n\rb"), {"a", "", "b"}, false, QStringLiteral("a\n\nb")}, // LF CR is two breaks
        {QStringLiteral("a\r\r\n"), {"a", ""}, true, QStringLiteral("a\n\n")},
        {QStringLiteral("no break"), {"no break"}, false, QStringLiteral("no break")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        LogView view;
        view.setPlainText(row.text);
        EXPECT_EQ(view.toPlainText(), row.plain);
        EXPECT_EQ(view.endsWithLineBreak(), row.terminated);
        ASSERT_EQ(view.lineCount(), static_cast<std::size_t>(row.lines.size()));
        for (qsizetype i = 0; i < row.lines.size(); ++i)
            EXPECT_EQ(view.line(static_cast<std::size_t>(i)), row.lines[i]);
        QString crlf = row.plain;
        crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        EXPECT_EQ(view.utf8Text("\r\n"), crlf.toStdString());
    }
}

TEST(LogViewText, TextComesBackAsItWasSet)
{
    // Every character but CR and LF is kept: NUL, tabs, U+2029, a character
    // outside the basic plane, a no-break space.
    const QString texts[] = {
        QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n"),
        QStringLiteral("注释: 温度\n\n  spaced  \n"),
        QString(QStringLiteral("nul\0inside\ttab\n")).replace(3, 1, QChar(0)),
        QStringLiteral("para\u2029graph\u00a0nbsp 😀\nend"),
    };
    for (const QString& text : texts) {
        LogView view;
        view.setPlainText(text);
        EXPECT_EQ(view.toPlainText(), text);
        LogView again;
        const std::string utf8 = view.utf8Text("\n");
        again.setUtf8Text(utf8);
        EXPECT_EQ(again.toPlainText(), text);
    }
}

TEST_F(Shown, TypingEnterBackspaceAndDelete)
{
    type("abc");
    key(Qt::Key_Return);
    type("def");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("abc\ndef"));

    // Enter in the middle splits the line.
    keys(Qt::Key_Left, 2);
    key(Qt::Key_Return);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("abc\nd\nef"));
    // Backspace at a line's start joins it to the line before.
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("abc\ndef"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("abc\nef"));
    // Delete at a line's end joins the next line to it.
    key(Qt::Key_Up);
    key(Qt::Key_End);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("abcef"));
    key(Qt::Key_Home);
    key(Qt::Key_Delete);
    type("X");
    key(Qt::Key_Tab);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("X\tbcef"));
    key(Qt::Key_Backspace);
    // Nothing before the start or after the end to remove.
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("Xbcef"));

    // A character outside the basic plane is one step for the arrows.
    view.setPlainText(QStringLiteral("a😀b"));
    key(Qt::Key_End);
    keys(Qt::Key_Left, 2);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("😀b"));
    key(Qt::Key_Delete);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("b"));
}

TEST_F(Shown, SelectionCopyCutPasteThroughTheClipboard)
{
    view.setPlainText(QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n"));
    // Shift+arrows select across the line break.
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("08"));
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_End);
    keys(Qt::Key_Left, 3);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.0\n08:00:01,"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n"));

    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("08:00:00,2.0\n"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n"));

    // A paste of several lines, any breaks, lands at the cursor and leaves it
    // after the pasted text.
    QGuiApplication::clipboard()->setText(QStringLiteral("x\r\ny\rz"));
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    type("!");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("x\ny\nz!08:00:00,1.0\n08:00:01,2.0\n"));
    EXPECT_EQ(view.cursorLine(), 2u);
    EXPECT_EQ(view.cursorColumn(), 2);

    // Ctrl+A, then typing replaces everything.
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectedText(), view.toPlainText());
    type("new");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("new"));
    EXPECT_FALSE(view.hasSelection());
    // A selection is replaced by Enter as well, and removed by Backspace.
    key(Qt::Key_Home, Qt::ShiftModifier);
    key(Qt::Key_Return);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("\n"));
    key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.toPlainText(), QString());
}

TEST_F(Shown, InputMethodCommitIsTyped)
{
    view.setPlainText(QStringLiteral("ab"));
    view.setCursorPosition(0, 1);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("温度"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a温度b"));
    EXPECT_EQ(view.cursorColumn(), 3);
}

TEST_F(Shown, AppendingKeepsTheOperatorsEditPosition)
{
    view.setPlainText(QStringLiteral("a\nb\nc"));
    view.setCursorPosition(1, 1);
    type("X");
    view.appendLogLine(QStringLiteral("08:00:00,1.0"));
    view.appendLogLine(QStringLiteral("08:00:01,2.0"));
    type("Y");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a\nbXY\nc\n08:00:00,1.0\n08:00:01,2.0"));

    // On the unterminated last line too: the new line goes after it.
    key(Qt::Key_Down);
    key(Qt::Key_End);
    EXPECT_EQ(view.cursorLine(), 2u);
    view.setCursorPosition(4, 3);
    key(Qt::Key_Right, Qt::ShiftModifier);
    view.appendLogLine(QStringLiteral("08:00:02,3.0"));
    EXPECT_EQ(view.selectedText(), QStringLiteral("0"));
    type("Z");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a\nbXY\nc\n08:00:00,1.0\n08:Z0:01,2.0\n08:00:02,3.0"));

    // A cursor at the end of a terminated log stays at the end.
    view.setPlainText(QStringLiteral("a\n"));
    key(Qt::Key_End, Qt::ControlModifier);
    view.appendLogLine(QStringLiteral("08:00:00,1.0"));
    type("typed");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a\n08:00:00,1.0\ntyped"));
    view.appendLogLine(QStringLiteral("08:00:01,2.0"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a\n08:00:00,1.0\ntyped\n08:00:01,2.0"));
}

TEST_F(Shown, ClickPlacesTheCursorAndDragSelects)
{
    view.setPlainText(QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n08:00:02,3.0\n"));
    const int row = QFontMetrics(view.font()).lineSpacing();
    QWidget* surface = view.viewport();
    // Past the end of the second row: the end of the second line.
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() - 2, 4 + row + row / 2));
    EXPECT_EQ(view.cursorLine(), 1u);
    EXPECT_EQ(view.cursorColumn(), 12);
    // Left of the first row's text: the start of the first line.
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(1, 4 + row / 2));
    EXPECT_EQ(view.cursorLine(), 0u);
    EXPECT_EQ(view.cursorColumn(), 0);
    QMouseEvent move(QEvent::MouseMove, QPointF(surface->width() - 2, 4 + 2 * row + row / 2),
                     surface->mapToGlobal(QPointF(surface->width() - 2, 4 + 2 * row + row / 2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(surface->width() - 2, 4 + 2 * row + row / 2));
    EXPECT_EQ(view.selectedText(), QStringLiteral("08:00:00,1.0\n08:00:01,2.0\n08:00:02,3.0"));
}

struct Short : Shown {
    Short()
        : Shown({300, 100})
    {
        QString text;
        for (int i = 0; i < 100; ++i)
            text += QStringLiteral("08:00:%1,1.0\n").arg(i, 2, 10, QLatin1Char('0'));
        view.setPlainText(text);
    }
    void append(int lines)
    {
        for (int i = 0; i < lines; ++i)
            view.appendLogLine(QStringLiteral("09:00:00,2.0"));
    }
};

TEST_F(Short, FollowsTheEndOnlyWhileShowingIt)
{
    // A loaded log shows its start and stays there.
    EXPECT_EQ(view.topLine(), 0u);
    EXPECT_FALSE(view.isFollowingEnd());
    append(5);
    EXPECT_EQ(view.topLine(), 0u);

    // At the end it follows every appended line.
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(view.isFollowingEnd());
    const std::size_t top = view.topLine();
    EXPECT_GT(top, 90u);
    append(10);
    EXPECT_EQ(view.topLine(), top + 10);

    // Scrolled back one line it stays put; PgDn brings it back to the end.
    QWheelEvent up(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 40),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &up);
    EXPECT_EQ(view.topLine(), top + 9);
    EXPECT_FALSE(view.isFollowingEnd());
    append(3);
    EXPECT_EQ(view.topLine(), top + 9);
    key(Qt::Key_PageDown);
    EXPECT_TRUE(view.isFollowingEnd());
    append(1);
    EXPECT_EQ(view.topLine(), top + 14);

    // From the top, PgDn moves by a page less a line.
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.topLine(), 0u);
    key(Qt::Key_PageDown);
    const std::size_t page = view.topLine();
    EXPECT_GT(page, 0u);
    EXPECT_EQ(view.cursorLine(), page);
    append(2);
    EXPECT_EQ(view.topLine(), page);
    key(Qt::Key_PageUp);
    EXPECT_EQ(view.topLine(), 0u);
}

TEST_F(Short, TypingOutOfSightBringsTheCursorIntoView)
{
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.topLine(), 0u);
    view.setCursorPosition(60, 0);
    EXPECT_GT(view.topLine(), 0u);
    EXPECT_LE(view.topLine(), 60u);
    type("x");
    EXPECT_EQ(view.line(60), QStringLiteral("x08:00:60,1.0"));
}

// The share of pixels in a band of rows that are not the background.
double inked(const QImage& image, int top, int bottom, QColor background)
{
    int ink = 0, all = 0;
    for (int y = top; y < bottom && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x, ++all)
            if (image.pixelColor(x, y) != background)
                ++ink;
    return all ? static_cast<double>(ink) / all : 0.0;
}

TEST(LogViewPaint, ShowsTheTextOnTheBaseColourAndWrapsAtTheWidth)
{
    LogView view;
    view.resize(240, 120);
    view.setPlainText(QStringLiteral("08:00:00,23.4\n08:00:01,-12.5\n"));
    view.show();
    QApplication::processEvents();
    const QColor base = view.palette().color(QPalette::Base);
    EXPECT_EQ(base, QColor(Qt::white));
    const int row = QFontMetrics(view.font()).lineSpacing();
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_GT(inked(image, 4, 4 + row, base), 0.02);       // first line
    EXPECT_GT(inked(image, 4 + row, 4 + 2 * row, base), 0.02); // second line
    EXPECT_EQ(inked(image, 4 + 3 * row, image.height(), base), 0.0);
    // The text is drawn in the palette's text colour.
    bool textColour = false;
    for (int y = 4; y < 4 + row && !textColour; ++y)
        for (int x = 0; x < image.width() && !textColour; ++x)
            textColour = image.pixelColor(x, y) == view.palette().color(QPalette::Text);
    EXPECT_TRUE(textColour);

    // Narrower than a line: the line takes several rows, and they are drawn.
    EXPECT_EQ(view.rowCount(0), 1);
    view.resize(60, 120);
    QApplication::processEvents();
    EXPECT_GT(view.rowCount(0), 1);
    const QImage narrow = view.viewport()->grab().toImage();
    EXPECT_GT(inked(narrow, 4 + row, 4 + 2 * row, base), 0.02);
    EXPECT_GT(inked(narrow, 4 + 2 * row, 4 + 3 * row, base), 0.02);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("08:00:00,23.4\n08:00:01,-12.5\n")); // wrapping is only shown
}

TEST(LogViewWidget, EditableTextWithStrongFocusAndNoScrollBars)
{
    LogView view;
    EXPECT_EQ(view.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    // The font is the parent's.
    QWidget parent;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    parent.setFont(font);
    auto* child = new LogView(&parent);
    EXPECT_EQ(child->font().pixelSize(), 11);
}

} // namespace
