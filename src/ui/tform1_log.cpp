// Saving the log and loading it back onto the chart.
#include "tform1.h"

#include "error.h"
#include "filedialog.h"
#include "replay.h"
#include "trendplot.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextDocument>

#include <algorithm>

namespace tav {
namespace {

// A log grows by one line of about 15 bytes a reading. The view takes in a
// million lines in about three seconds and 300 MB, in time and memory that
// grow with the number of lines, so a file is refused beyond some four
// million lines (48 days at one reading a second) or 64 MB: a file of 64 MB of
// empty lines would otherwise take minutes and gigabytes.
constexpr qint64 kMaxLogFileBytes = 64 * 1024 * 1024;
constexpr std::size_t kMaxLogLines = 4'194'304;

// The view lays out a line as a whole when it is shown, in time that grows
// with the square of its length: a line of a million characters freezes the
// window for half a minute. Log lines are 15 characters long.
constexpr std::size_t kMaxLogLineBytes = 65536;

Error cannotOpen(const QString& fileName, const char* reason = nullptr)
{
    std::string msg = "Cannot open file " + fileName.toStdString();
    if (reason)
        msg += reason;
    return Error(msg);
}

// The document's raw text with `lineBreak` in place of each block separator
// U+2029, in one pass.
QString withLineBreaks(const QString& raw, QLatin1StringView lineBreak)
{
    QString out;
    out.reserve(raw.size() + raw.size() / 8 + 16);
    const QChar* p = raw.constData();
    const QChar* const end = p + raw.size();
    while (p < end) {
        const QChar* q = std::find(p, end, QChar(QChar::ParagraphSeparator));
        out.append(QStringView(p, q));
        if (q == end)
            break;
        out.append(lineBreak);
        p = q + 1;
    }
    return out;
}

} // namespace

QString TForm1::logText() const
{
    // The document holds one block per line; its raw text separates them with
    // U+2029 and keeps every other character as loaded or typed.
    QString text = Memo1->document()->toRawText();
    std::replace(text.begin(), text.end(), QChar(QChar::ParagraphSeparator), QChar(u'\n'));
    return text;
}

void TForm1::SpeedButton1Click()
{
    if (!SaveDialog1->Execute(this))
        return;
    saveLogFile(SaveDialog1->FileName);
}

void TForm1::saveLogFile(const QString& fileName)
{
    const QByteArray bytes = withLineBreaks(Memo1->document()->toRawText(), QLatin1StringView("\r\n")).toLocal8Bit();

    // The text goes to a new file beside the old one, which replaces it only
    // once everything is written: a full disk leaves the previous file whole.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Error("Cannot create file " + fileName.toStdString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error("Stream write error");
}

void TForm1::SpeedButton2Click()
{
    if (OpenDialog1->Execute(this))
        openLogFile(OpenDialog1->FileName);
    else
        replayLog();
}

void TForm1::openLogFile(const QString& fileName)
{
    // Only a regular file is read: a directory, a device such as /dev/zero or
    // a pipe would fail, never end or wait for a writer.
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw cannotOpen(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpen(fileName);
    const char* const tooLarge = ": the file is larger than 64 MB, too large for a log";
    if (file.size() > kMaxLogFileBytes)
        throw cannotOpen(fileName, tooLarge);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error("Stream read error");
    if (bytes.size() > kMaxLogFileBytes) // it grew while being read
        throw cannotOpen(fileName, tooLarge);
    const LineStats shape = lineStats(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (shape.lines > kMaxLogLines)
        throw cannotOpen(fileName, ": the file has more than 4194304 lines, too many for a log");
    if (shape.longest > kMaxLogLineBytes)
        throw cannotOpen(fileName, ": a line is longer than 65536 bytes, so it is not a log");

    // Bytes that are not valid in the locale's encoding show as U+FFFD, one
    // per invalid sequence; everything else, NUL included, is kept. The view
    // turns CR LF, CR and LF alike into line breaks.
    Memo1->setPlainText(QString::fromLocal8Bit(bytes));
    replayLog();
}

void TForm1::replayLog()
{
    const QByteArray text = logText().toUtf8();
    // A million points would schedule a million repaints of the chart, each
    // cheap but adding up; the chart is repainted once when the replay ends,
    // also when it stops at a bad line.
    struct OneRepaint {
        QWidget* w;
        explicit OneRepaint(QWidget* widget)
            : w(widget)
        {
            w->setUpdatesEnabled(false);
        }
        ~OneRepaint() { w->setUpdatesEnabled(true); }
    } oneRepaint(iPlot1);
    tav::replayLog(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())), m_decimalSeparator, Unit1, *this);
}

} // namespace tav
