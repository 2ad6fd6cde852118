#include "logview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace tav {
namespace {

// Space between the frame and the text, as a text edit leaves it.
constexpr int kMargin = 4;

// With these held a key is a command, not a character typed.
constexpr auto kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

QAccessibleInterface* accessibleLogView(const QString& key, QObject* object)
{
    if (key == QLatin1String(LogView::staticMetaObject.className()) && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
    return nullptr;
}

// The pieces of `text` between line breaks: CR LF, CR and LF each one break.
std::vector<QString> splitLines(const QString& text)
{
    std::vector<QString> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\n' && c != u'\r')
            continue;
        parts.push_back(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    parts.push_back(text.mid(start));
    return parts;
}

} // namespace

LogView::LogView(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_blocks(1)
{
    static const bool accessible = (QAccessible::installFactory(accessibleLogView), true);
    (void)accessible;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
}

LogView::~LogView() = default;

// --- The text --------------------------------------------------------------

QString LogView::toPlainText() const
{
    return QString::fromStdString(utf8Text("\n"));
}

void LogView::setPlainText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    setUtf8Text(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void LogView::setUtf8Text(std::string_view utf8)
{
    std::deque<std::string> blocks;
    const char* const begin = utf8.data();
    const char* const end = begin + utf8.size();
    const char* start = begin;
    for (const char* p = begin; p != end; ++p) {
        if (*p != '\n' && *p != '\r')
            continue;
        blocks.emplace_back(start, p);
        if (*p == '\r' && p + 1 != end && p[1] == '\n')
            ++p;
        start = p + 1;
    }
    blocks.emplace_back(start, end);
    m_blocks.swap(blocks);
    m_cursor = m_anchor = {};
    m_top = 0;
    m_follow = fitsToEnd(0);
    changed();
}

std::string LogView::utf8Text(std::string_view lineBreak) const
{
    std::size_t size = (m_blocks.size() - 1) * lineBreak.size();
    for (const std::string& b : m_blocks)
        size += b.size();
    std::string out;
    out.reserve(size);
    bool first = true;
    for (const std::string& b : m_blocks) {
        if (!first)
            out += lineBreak;
        first = false;
        out += b;
    }
    return out;
}

void LogView::appendLogLine(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    appendLogLine(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void LogView::appendLogLine(std::string_view utf8Line)
{
    if (m_blocks.back().empty()) {
        // Empty or terminated: the line takes the empty place and gets its
        // break. A cursor in that place stays at the end, after the line.
        const Position place{m_blocks.size() - 1, 0};
        m_blocks.back().assign(utf8Line);
        m_blocks.emplace_back();
        for (Position* p : {&m_cursor, &m_anchor})
            if (*p == place)
                *p = {place.line + 1, 0};
    } else {
        m_blocks.emplace_back(utf8Line);
    }
    viewport()->update();
}

std::size_t LogView::lineCount() const
{
    return m_blocks.size() - (m_blocks.back().empty() ? 1 : 0);
}

QString LogView::line(std::size_t index) const
{
    return index < lineCount() ? block(index) : QString();
}

bool LogView::endsWithLineBreak() const
{
    return m_blocks.size() > 1 && m_blocks.back().empty();
}

QString LogView::block(std::size_t i) const
{
    return QString::fromStdString(m_blocks[i]);
}

void LogView::setBlock(std::size_t i, const QString& text)
{
    m_blocks[i] = text.toStdString();
}

LogView::Position LogView::endPosition() const
{
    return {m_blocks.size() - 1, static_cast<int>(block(m_blocks.size() - 1).size())};
}

LogView::Position LogView::clamp(Position p) const
{
    p.line = std::min(p.line, m_blocks.size() - 1);
    p.column = std::clamp(p.column, 0, static_cast<int>(block(p.line).size()));
    return p;
}

// --- The cursor and the selection ------------------------------------------

void LogView::setCursorPosition(std::size_t line, int column)
{
    moveCursor({line, column}, false);
}

QString LogView::selectedText() const
{
    if (!hasSelection())
        return {};
    const Position from = std::min(m_cursor, m_anchor);
    const Position to = std::max(m_cursor, m_anchor);
    if (from.line == to.line)
        return block(from.line).mid(from.column, to.column - from.column);
    QString out = block(from.line).mid(from.column);
    for (std::size_t i = from.line + 1; i < to.line; ++i)
        out += QLatin1Char('\n') + block(i);
    out += QLatin1Char('\n') + block(to.line).left(to.column);
    return out;
}

void LogView::selectAll()
{
    m_anchor = {};
    m_cursor = endPosition();
    restartBlink();
}

void LogView::moveCursor(Position to, bool select)
{
    m_cursor = clamp(to);
    if (!select)
        m_anchor = m_cursor;
    restartBlink();
    ensureCursorVisible();
}

void LogView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void LogView::restartBlink()
{
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void LogView::changed()
{
    viewport()->update();
}

// --- Editing ---------------------------------------------------------------

void LogView::insertText(const QString& text)
{
    removeSelection();
    const std::vector<QString> parts = splitLines(text);
    const QString current = block(m_cursor.line);
    const QString head = current.left(m_cursor.column);
    const QString tail = current.mid(m_cursor.column);
    if (parts.size() == 1) {
        setBlock(m_cursor.line, head + parts[0] + tail);
        m_cursor.column += static_cast<int>(parts[0].size());
    } else {
        std::vector<std::string> added;
        added.reserve(parts.size() - 1);
        for (std::size_t i = 1; i + 1 < parts.size(); ++i)
            added.push_back(parts[i].toStdString());
        added.push_back((parts.back() + tail).toStdString());
        setBlock(m_cursor.line, head + parts[0]);
        const auto at = m_blocks.begin() + static_cast<std::ptrdiff_t>(m_cursor.line + 1);
        m_blocks.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        m_cursor = {m_cursor.line + parts.size() - 1, static_cast<int>(parts.back().size())};
    }
    m_anchor = m_cursor;
    changed();
    restartBlink();
    ensureCursorVisible();
}

void LogView::removeSelection()
{
    if (hasSelection())
        removeRange(std::min(m_cursor, m_anchor), std::max(m_cursor, m_anchor));
}

void LogView::removeRange(Position from, Position to)
{
    if (from.line == to.line) {
        setBlock(from.line, block(from.line).remove(from.column, to.column - from.column));
    } else {
        setBlock(from.line, block(from.line).left(from.column) + block(to.line).mid(to.column));
        const auto first = m_blocks.begin() + static_cast<std::ptrdiff_t>(from.line + 1);
        m_blocks.erase(first, first + static_cast<std::ptrdiff_t>(to.line - from.line));
    }
    m_cursor = m_anchor = from;
    changed();
}

// --- Layout and scrolling --------------------------------------------------

void LogView::layOut(QTextLayout& layout, std::size_t i) const
{
    layout.setText(block(i));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int width = textWidth();
    const int height = rowHeight();
    int y = 0;
    layout.beginLayout();
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        row.setPosition(QPointF(0, y));
        y += height;
    }
    layout.endLayout();
}

int LogView::rowHeight() const
{
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

int LogView::textWidth() const
{
    return std::max(1, viewport()->width() - 2 * kMargin);
}

int LogView::capacityRows() const
{
    return std::max(1, (viewport()->height() - 2 * kMargin) / rowHeight());
}

int LogView::rowCount(std::size_t index) const
{
    if (index >= m_blocks.size())
        return 0;
    QTextLayout layout;
    layOut(layout, index);
    return std::max(1, layout.lineCount());
}

bool LogView::fitsToEnd(std::size_t top) const
{
    const int capacity = capacityRows();
    int rows = 0;
    for (std::size_t i = top; i < m_blocks.size(); ++i) {
        rows += rowCount(i);
        if (rows > capacity)
            return false;
    }
    return true;
}

std::size_t LogView::topShowingAtBottom(std::size_t line) const
{
    const int capacity = capacityRows();
    int rows = 0;
    for (std::size_t i = line;; --i) {
        rows += rowCount(i);
        if (rows > capacity && i != line)
            return i + 1;
        if (i == 0)
            return 0;
    }
}

std::size_t LogView::topForEnd() const
{
    return topShowingAtBottom(m_blocks.size() - 1);
}

std::size_t LogView::topLine() const
{
    return m_follow ? topForEnd() : std::min(m_top, m_blocks.size() - 1);
}

void LogView::scrollToLine(std::size_t top)
{
    m_top = std::min(top, m_blocks.size() - 1);
    m_follow = fitsToEnd(m_top);
    viewport()->update();
}

void LogView::scrollByLines(long delta)
{
    const long top = static_cast<long>(topLine()) + delta;
    scrollToLine(static_cast<std::size_t>(std::max(0L, top)));
}

void LogView::ensureCursorVisible()
{
    const std::size_t top = topLine();
    if (m_cursor.line < top) {
        scrollToLine(m_cursor.line);
        return;
    }
    const int capacity = capacityRows();
    int rows = 0;
    for (std::size_t i = top; i <= m_cursor.line; ++i) {
        rows += rowCount(i);
        if (rows > capacity) {
            scrollToLine(topShowingAtBottom(m_cursor.line));
            return;
        }
    }
    if (!m_follow)
        m_follow = fitsToEnd(top);
}

LogView::Position LogView::hit(const QPoint& pos) const
{
    const int height = rowHeight();
    int y = kMargin;
    for (std::size_t i = topLine(); i < m_blocks.size(); ++i) {
        QTextLayout layout;
        layOut(layout, i);
        const int rows = std::max(1, layout.lineCount());
        if (pos.y() < y + rows * height || i + 1 == m_blocks.size()) {
            const int row = std::clamp((pos.y() - y) / height, 0, rows - 1);
            const QTextLine textLine = layout.lineAt(row);
            if (!textLine.isValid())
                return {i, 0};
            return {i, textLine.xToCursor(pos.x() - kMargin)};
        }
        y += rows * height;
    }
    return endPosition();
}

// --- Events ----------------------------------------------------------------

QSize LogView::sizeHint() const
{
    return {256, 192};
}

void LogView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().brush(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const bool selecting = hasSelection();
    const Position from = std::min(m_cursor, m_anchor);
    const Position to = std::max(m_cursor, m_anchor);
    const int height = rowHeight();
    const int bottom = viewport()->height();
    int y = kMargin;
    for (std::size_t i = topLine(); i < m_blocks.size() && y < bottom; ++i) {
        QTextLayout layout;
        layOut(layout, i);
        QList<QTextLayout::FormatRange> selection;
        if (selecting && i >= from.line && i <= to.line) {
            QTextLayout::FormatRange range;
            range.start = i == from.line ? from.column : 0;
            range.length = (i == to.line ? to.column : static_cast<int>(layout.text().size())) - range.start;
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            if (range.length > 0)
                selection.append(range);
        }
        const QPointF origin(kMargin, y);
        layout.draw(&painter, origin, selection);
        if (i == m_cursor.line && m_caretShown && hasFocus())
            layout.drawCursor(&painter, origin, m_cursor.column, 1);
        y += std::max(1, layout.lineCount()) * height;
    }
}

void LogView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    viewport()->update();
}

bool LogView::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Keys the view edits with are its own, whatever shortcuts exist.
        auto* key = static_cast<QKeyEvent*>(e);
        const bool plainText = !key->text().isEmpty() && !(key->modifiers() & kCommandModifiers);
        if (plainText || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)
            || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll)) {
            e->accept();
            return true;
        }
    }
    if (e->type() == QEvent::KeyPress) {
        // Tab is typed, as in a text edit, rather than moving the focus on.
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (kCommandModifiers | Qt::ShiftModifier))) {
            insertText(QStringLiteral("\t"));
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void LogView::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (e->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        copy();
        removeSelection();
        ensureCursorVisible();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        insertText(QGuiApplication::clipboard()->text());
        return;
    }

    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool control = e->modifiers() & Qt::ControlModifier;
    const Position at = m_cursor;
    const int length = static_cast<int>(block(at.line).size());
    const auto previous = [this](Position p) -> Position {
        if (p.column > 0) {
            const QString text = block(p.line);
            int step = 1;
            if (p.column >= 2 && text.at(p.column - 1).isLowSurrogate() && text.at(p.column - 2).isHighSurrogate())
                step = 2;
            return {p.line, p.column - step};
        }
        if (p.line > 0)
            return {p.line - 1, static_cast<int>(block(p.line - 1).size())};
        return p;
    };
    const auto next = [this](Position p) -> Position {
        const QString text = block(p.line);
        if (p.column < text.size()) {
            int step = 1;
            if (p.column + 1 < text.size() && text.at(p.column).isHighSurrogate()
                && text.at(p.column + 1).isLowSurrogate())
                step = 2;
            return {p.line, p.column + step};
        }
        if (p.line + 1 < m_blocks.size())
            return {p.line + 1, 0};
        return p;
    };

    switch (e->key()) {
    case Qt::Key_Left:
        moveCursor(previous(at), shift);
        return;
    case Qt::Key_Right:
        moveCursor(next(at), shift);
        return;
    case Qt::Key_Up:
        moveCursor({at.line > 0 ? at.line - 1 : 0, at.line > 0 ? at.column : 0}, shift);
        return;
    case Qt::Key_Down:
        if (at.line + 1 < m_blocks.size())
            moveCursor({at.line + 1, at.column}, shift);
        else
            moveCursor({at.line, length}, shift);
        return;
    case Qt::Key_Home:
        moveCursor(control ? Position{} : Position{at.line, 0}, shift);
        return;
    case Qt::Key_End:
        moveCursor(control ? endPosition() : Position{at.line, length}, shift);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const long page = std::max(1, capacityRows() - 1);
        const long step = e->key() == Qt::Key_PageUp ? -page : page;
        const long line = std::clamp(static_cast<long>(at.line) + step, 0L, static_cast<long>(m_blocks.size() - 1));
        scrollByLines(step);
        m_cursor = clamp({static_cast<std::size_t>(line), at.column});
        if (!shift)
            m_anchor = m_cursor;
        restartBlink();
        ensureCursorVisible();
        return;
    }
    case Qt::Key_Backspace:
        if (hasSelection())
            removeSelection();
        else if (previous(at) != at)
            removeRange(previous(at), at);
        restartBlink();
        ensureCursorVisible();
        return;
    case Qt::Key_Delete:
        if (hasSelection())
            removeSelection();
        else if (next(at) != at)
            removeRange(at, next(at));
        restartBlink();
        ensureCursorVisible();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        insertText(QStringLiteral("\n"));
        return;
    default:
        break;
    }

    const QString text = e->text();
    const bool typed = !text.isEmpty() && !(e->modifiers() & kCommandModifiers)
                       && (text.at(0).isPrint() || text.at(0) == u'\t' || text.at(0).isSurrogate());
    if (typed) {
        insertText(text);
        return;
    }
    e->ignore();
}

void LogView::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty())
        insertText(e->commitString());
    e->accept();
}

QVariant LogView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorPosition:
        return m_cursor.column;
    case Qt::ImAnchorPosition:
        return m_anchor.line == m_cursor.line ? m_anchor.column : m_cursor.column;
    case Qt::ImSurroundingText:
        return block(m_cursor.line);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle: {
        const std::size_t top = topLine();
        if (m_cursor.line < top)
            return QRect();
        const int height = rowHeight();
        int y = kMargin;
        for (std::size_t i = top; i < m_cursor.line; ++i) {
            y += rowCount(i) * height;
            if (y > viewport()->height())
                return QRect();
        }
        QTextLayout layout;
        layOut(layout, m_cursor.line);
        const QTextLine row = layout.lineForTextPosition(m_cursor.column);
        if (!row.isValid())
            return QRect(kMargin, y, 1, height);
        const int x = kMargin + static_cast<int>(row.cursorToX(m_cursor.column));
        return QRect(x, y + static_cast<int>(row.y()), 1, height).translated(viewport()->pos());
    }
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    m_dragging = true;
    moveCursor(hit(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
}

void LogView::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        moveCursor(hit(e->position().toPoint()), true);
}

void LogView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_dragging = false;
}

void LogView::wheelEvent(QWheelEvent* e)
{
    const int delta = e->angleDelta().y();
    if (delta == 0) {
        e->ignore();
        return;
    }
    long lines = -static_cast<long>(delta) * QApplication::wheelScrollLines() / 120;
    if (lines == 0)
        lines = delta > 0 ? -1 : 1;
    scrollByLines(lines);
    e->accept();
}

void LogView::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
}

void LogView::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    viewport()->update();
}

void LogView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update();
        return;
    }
    QAbstractScrollArea::timerEvent(e);
}

} // namespace tav
