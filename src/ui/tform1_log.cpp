// Saving the log and loading it back onto the chart.
#include "tform1.h"

#include "error.h"
#include "filedialog.h"
#include "logview.h"
#include "replay.h"
#include "trendplot.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <string>

namespace tav {
namespace {

// A log grows by one line of about 15 bytes a reading. The view holds a line
// in some 32 bytes and takes in a million lines in a few tens of
// milliseconds, so the limits only keep a file that is not a log from taking
// the machine: some eight million lines (97 days at one reading a second,
// 280 MB held) or 128 MB. Without them a file of 128 MB of empty lines would
// cost four gigabytes.
constexpr qint64 kMaxLogFileBytes = 128 * 1024 * 1024;
constexpr std::size_t kMaxLogLines = 8'388'608;

// The view lays out a line as a whole when it is shown, in time that grows
// with its length: a line of a million characters would stall every repaint.
// Log lines are 15 characters long.
constexpr std::size_t kMaxLogLineBytes = 65536;

Error cannotOpen(const QString& fileName, const char* reason = nullptr)
{
    std::string msg = "Cannot open file " + fileName.toStdString();
    if (reason)
        msg += reason;
    return Error(msg);
}

} // namespace

QString TForm1::logText() const
{
    return Memo1->toPlainText();
}

void TForm1::SpeedButton1Click()
{
    if (!SaveDialog1->Execute(this))
        return;
    saveLogFile(SaveDialog1->FileName);
}

void TForm1::saveLogFile(const QString& fileName)
{
    const QByteArray bytes = QString::fromStdString(Memo1->utf8Text("\r\n")).toLocal8Bit();

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
    const char* const tooLarge = ": the file is larger than 128 MB, too large for a log";
    if (file.size() > kMaxLogFileBytes)
        throw cannotOpen(fileName, tooLarge);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error("Stream read error");
    if (bytes.size() > kMaxLogFileBytes) // it grew while being read
        throw cannotOpen(fileName, tooLarge);
    const LineStats shape = lineStats(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (shape.lines > kMaxLogLines)
        throw cannotOpen(fileName, ": the file has more than 8388608 lines, too many for a log");
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
    const std::string text = Memo1->utf8Text("\n");
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
    tav::replayLog(text, m_decimalSeparator, Unit1, *this);
}

} // namespace tav
