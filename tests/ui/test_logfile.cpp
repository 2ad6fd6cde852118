// The log file on the real window: "保存文件" and "打开文件" with their file
// dialogs, the bytes written and read, the replay onto the chart, and what
// every failure leaves behind.
#include "error.h"
#include "filedialog.h"
#include "logview.h"
#include "tform1.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPointer>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

using tav::TForm1;
using Points = std::vector<std::pair<double, double>>;

class FixedClock : public tav::Clock {
public:
    tav::DateTime now() override { return tav::encodeDateTime(2026, 12, 11, 8, 5, 9); }
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

Points points(const TForm1& form, int channel)
{
    Points out;
    for (std::size_t i = 0; i < form.iPlot1->pointCount(channel); ++i)
        out.emplace_back(form.iPlot1->pointX(channel, i), form.iPlot1->pointY(channel, i));
    return out;
}

// The message of the error `action` throws; empty when it throws none.
QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const tav::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

double single(double v) { return static_cast<float>(v); }

// Answers the modal windows that `press` opens, one action each, in order. A
// modal window beyond the script is rejected and fails the test instead of
// hanging it.
void answering(std::vector<std::function<void(QWidget*)>> actions, const std::function<void()>& press)
{
    std::size_t next = 0;
    QPointer<QWidget> last;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last.data())
            return;
        last = modal;
        if (next < actions.size()) {
            actions[next++](modal);
        } else {
            ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className() << " "
                          << modal->objectName().toStdString();
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
        }
    });
    poll.start();
    press();
    poll.stop();
    EXPECT_EQ(next, actions.size()) << "modal windows the press did not open";
}

// What a file dialog offered when it came up.
struct Offered {
    QString dialogName;
    QString fileName;
    QString directory;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool confirmsOverwrite = true;
};

QFileDialog* fileDialog(QWidget* modal, Offered* offered)
{
    auto* d = qobject_cast<QFileDialog*>(modal);
    EXPECT_NE(d, nullptr) << "a file dialog";
    if (d && offered) {
        offered->dialogName = d->objectName();
        offered->fileName = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        offered->directory = d->directory().absolutePath();
        offered->mode = d->acceptMode();
        offered->confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
    }
    return d;
}

QAbstractButton* acceptButton(QFileDialog* d)
{
    auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
            return b;
    ADD_FAILURE() << "no accept button";
    return nullptr;
}

// What to do with the file dialog once it is up: note what it offers, run
// `whileOpen`, then `finish` it.
std::function<void(QWidget*)> onDialog(Offered* offered, std::function<void(QFileDialog*)> whileOpen,
                                       std::function<void(QFileDialog*)> finish)
{
    return [=](QWidget* modal) {
        QFileDialog* d = fileDialog(modal, offered);
        if (!d)
            return;
        if (whileOpen)
            whileOpen(d);
        finish(d);
    };
}

// Puts `path` into the dialog's name field and presses its accept button.
std::function<void(QWidget*)> choose(const QString& path, Offered* offered = nullptr,
                                     std::function<void(QFileDialog*)> whileOpen = {})
{
    return onDialog(offered, whileOpen, [path](QFileDialog* d) {
        // Pasted: typing a path key by key sends the dialog into its folders.
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        if (QAbstractButton* b = acceptButton(d))
            b->click();
    });
}

std::function<void(QWidget*)> cancel(Offered* offered = nullptr, std::function<void(QFileDialog*)> whileOpen = {})
{
    return onDialog(offered, whileOpen, [](QFileDialog* d) { d->reject(); });
}

struct Report {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

std::function<void(QWidget*)> acknowledge(Report* report)
{
    return [=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "the error report";
        *report = {box->windowTitle(), box->text(), box->icon()};
        box->button(QMessageBox::Ok)->click();
    };
}

// The module state is zero when the program loads; each window starts there.
struct FreshModule {
    FreshModule() { tav::Unit1 = {}; }
};

struct LogFile : ::testing::Test {
    FreshModule fresh;
    TForm1 form;
    QTemporaryDir dir;

    LogFile() { form.setClock(std::make_unique<FixedClock>()); }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

const QByteArray kFourLines = "abc\r\n08:00:00,1.0\r\nxyz\r\n08:00:01,2.0\r\n";

TEST_F(LogFile, SaveWritesTheWholeLogWithCrLfAndNothingElse)
{
    const QString file = path("log.csv");
    writeFile(file, "a longer file that is there before\r\n");

    // An empty log is an empty file, replacing what was there.
    form.saveLogFile(file);
    EXPECT_EQ(readFile(file), QByteArray());

    form.AppendLogLine(23.4f);
    form.AppendLogLine(-12.5f);
    form.saveLogFile(file);
    EXPECT_EQ(readFile(file), QByteArray("08:05:09,23.4\r\n08:05:09,-12.5\r\n"));

    // Whatever the operator typed is saved as it stands, in the locale's
    // encoding, and an unterminated last line stays unterminated.
    form.Memo1->setPlainText(QStringLiteral("08:05:09,23.4\n温度  note, typed\t\n08:05:10,23.5"));
    form.saveLogFile(file);
    EXPECT_EQ(readFile(file), QStringLiteral("08:05:09,23.4\r\n温度  note, typed\t\r\n08:05:10,23.5").toLocal8Bit());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.csv")});
}

TEST_F(LogFile, SaveThatCannotCreateTheFileKeepsTheLog)
{
    form.AppendLogLine(23.4f);
    const QString log = form.logText();
    const QString noFolder = path("no such folder/log.csv");
    EXPECT_EQ(errorOf([&] { form.saveLogFile(noFolder); }), QStringLiteral("Cannot create file ") + noFolder);
    EXPECT_EQ(errorOf([&] { form.saveLogFile(dir.path()); }), QStringLiteral("Cannot create file ") + dir.path());
    EXPECT_EQ(form.logText(), log);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// Writes beyond a file-size limit fail as on a full disk.
struct FileSizeLimit {
    rlimit before{};
    void (*handler)(int);
    explicit FileSizeLimit(rlim_t bytes)
    {
        handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit limit = before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, handler);
    }
};

TEST_F(LogFile, WriteFailingPartWayLeavesThePreviousFileWhole)
{
    const QString file = path("log.csv");
    writeFile(file, "08:00:00,1.0\r\n");
    QString log;
    for (int i = 0; i < 10000; ++i)
        log += QStringLiteral("08:05:09,23.4\n");
    form.Memo1->setPlainText(log);
    QString message;
    {
        FileSizeLimit limit(64 * 1024);
        message = errorOf([&] { form.saveLogFile(file); });
    }
    EXPECT_EQ(message, QStringLiteral("Stream write error"));
    EXPECT_EQ(readFile(file), QByteArray("08:00:00,1.0\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.csv")}); // no leftovers
    EXPECT_EQ(form.logText(), log);
}

TEST_F(LogFile, SaveThenLoadGivesTheSameBytes)
{
    const QByteArray files[] = {
        kFourLines,
        "08:00:00,1.0\r\n08:00:01,2.0", // no break after the last line
        QStringLiteral("注释: 温度\r\n08:00:00,1.0\r\n\r\n  spaced  \r\n").toLocal8Bit(),
        QByteArray("nul\0inside\r\n08:00:00,1.0\r\n", 26),
        QStringLiteral("para\u2029graph\r\n08:00:00,1.0\r\n").toLocal8Bit(), // U+2029 is no line break
        "",
    };
    for (const QByteArray& bytes : files) {
        SCOPED_TRACE(bytes.toStdString());
        writeFile(path("in.csv"), bytes);
        EXPECT_EQ(errorOf([&] { form.openLogFile(path("in.csv")); }), QString());
        form.saveLogFile(path("out.csv"));
        EXPECT_EQ(readFile(path("out.csv")), bytes);
    }
    // LF or CR breaks come back as CR LF.
    writeFile(path("in.csv"), "a,1.0\nb,2.0\rc,3.0\n");
    form.openLogFile(path("in.csv"));
    form.saveLogFile(path("out.csv"));
    EXPECT_EQ(readFile(path("out.csv")), QByteArray("a,1.0\r\nb,2.0\r\nc,3.0\r\n"));
}

// Sets the default locale for the windows created in its lifetime.
struct DefaultLocale {
    QLocale before;
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(before); }
};

TEST(LogFileLocale, CommaSeparatorLogRoundTripsOnACommaLocale)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("komma.csv"));
    {
        DefaultLocale german(QLocale(QLocale::German));
        FreshModule fresh;
        TForm1 form;
        ASSERT_EQ(form.decimalSeparator(), ",");
        form.setClock(std::make_unique<FixedClock>());
        form.AppendLogLine(23.4f);
        form.AppendLogLine(-12.5f);
        form.saveLogFile(file);
        EXPECT_EQ(readFile(file), QByteArray("08:05:09,23,4\r\n08:05:09,-12,5\r\n"));

        FreshModule again;
        TForm1 reader;
        reader.openLogFile(file);
        EXPECT_EQ(points(reader, 0), (Points{{0, single(23.4)}, {1, -12.5}}));
        EXPECT_EQ(tav::Unit1.SampleCount, 2);
    }
    // The same file on a full-stop locale stops at its first line.
    FreshModule fresh;
    TForm1 form;
    ASSERT_EQ(form.decimalSeparator(), ".");
    EXPECT_EQ(errorOf([&] { form.openLogFile(file); }), QStringLiteral("'23,4' is not a valid floating point value"));
    EXPECT_EQ(form.logText(), QStringLiteral("08:05:09,23,4\n08:05:09,-12,5\n"));
    EXPECT_TRUE(points(form, 0).empty());
}

TEST_F(LogFile, LoadReplacesTheLogAndReplaysOnTopOfWhatTheChartShows)
{
    form.AppendLogLine(25.0f);
    form.appendPoint(0, 40, 25.0);
    form.appendPoint(1, 40, 7.0);
    tav::Unit1.SampleCount = 41;
    writeFile(path("four.csv"), kFourLines);

    form.openLogFile(path("four.csv"));
    EXPECT_EQ(form.logText(), QStringLiteral("abc\n08:00:00,1.0\nxyz\n08:00:01,2.0\n"));
    EXPECT_EQ(points(form, 0), (Points{{40, 25.0}, {0, 1.0}, {1, 2.0}}));
    EXPECT_EQ(points(form, 1), (Points{{40, 7.0}}));
    EXPECT_EQ(tav::Unit1.SampleCount, 2);

    // Any kind of line break is a line break of the log.
    writeFile(path("mixed.csv"), "a,1\rb,2\nc,3\r\nd,4");
    form.openLogFile(path("mixed.csv"));
    EXPECT_EQ(form.Memo1->lineCount(), 4u);
    EXPECT_FALSE(form.Memo1->endsWithLineBreak());
    EXPECT_EQ(form.logText(), QStringLiteral("a,1\nb,2\nc,3\nd,4"));
    EXPECT_EQ(tav::Unit1.SampleCount, 4);
}

TEST_F(LogFile, NextLogLineAfterALoadStartsOnALineOfItsOwn)
{
    writeFile(path("open.csv"), "08:00:00,1.0\r\n08:00:01,2.0");
    form.openLogFile(path("open.csv"));
    form.AppendLogLine(23.4f);
    form.AppendLogLine(23.5f);
    form.saveLogFile(path("out.csv"));
    EXPECT_EQ(readFile(path("out.csv")), QByteArray("08:00:00,1.0\r\n08:00:01,2.0\r\n08:05:09,23.4\r\n08:05:09,23.5"));

    writeFile(path("closed.csv"), "08:00:00,1.0\r\n");
    form.openLogFile(path("closed.csv"));
    form.AppendLogLine(23.4f);
    form.saveLogFile(path("out.csv"));
    EXPECT_EQ(readFile(path("out.csv")), QByteArray("08:00:00,1.0\r\n08:05:09,23.4\r\n"));
}

TEST_F(LogFile, ReplayReadsTheLinesNotTheViewsWrappedPieces)
{
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    form.Memo1->setFixedWidth(60);
    form.Memo1->setPlainText(QStringLiteral("08:00:00,23.4\n08:00:01,-12.5\n"));
    QApplication::processEvents();
    // The view shows each line in pieces ("08:00:" "00,23." "4" or so).
    ASSERT_GT(form.Memo1->rowCount(0), 1);

    form.replayLog();
    EXPECT_EQ(points(form, 0), (Points{{0, single(23.4)}, {1, -12.5}}));
}

TEST_F(LogFile, LongValueIsReadWhole)
{
    // Twelve digits are twelve digits, rounded to single precision.
    writeFile(path("long.csv"), "08:00:00,123456789012\r\n08:00:01,12345678901x\r\n");
    EXPECT_EQ(errorOf([&] { form.openLogFile(path("long.csv")); }),
              QStringLiteral("'12345678901x' is not a valid floating point value"));
    EXPECT_EQ(points(form, 0), (Points{{0, single(123456789012.0)}}));
}

TEST_F(LogFile, EachFailureLeavesWhatTheTableSays)
{
    const QString missing = path("missing.csv");
    const QString huge = path("huge.csv");
    {
        QFile f(huge); // sparse: 200 MB of NUL bytes
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(200 * 1024 * 1024));
    }
    writeFile(path("longline.csv"), "08:00:00,1.0\r\n" + QByteArray(70000, 'a') + "\r\n");
    writeFile(path("crline.csv"), QByteArray(70000, 'a').replace(35000, 1, "\r"));
    writeFile(path("blank.csv"), QByteArray(8388609, '\n')); // one line too many, of nothing
    writeFile(path("bad.csv"), "a,1.0\r\nb,2.0\r\nc,bad\r\nd,4.0\r\n");
    writeFile(path("overflow.csv"), "a,1.0\r\nb,1e39\r\nc,3.0\r\n");
    writeFile(path("empty.csv"), "08:00:00,\r\n08:00:01,1.0\r\n");

    struct Row {
        QString file;
        QString message;
        bool loaded;   // the log holds the file's text; otherwise it is unchanged
        Points replay; // points appended to channel 0 by the replay
    };
    const QString notRead = QStringLiteral("Cannot open file ");
    const Row rows[] = {
        {missing, notRead + missing, false, {}},
        {dir.path(), notRead + dir.path(), false, {}},
        {QStringLiteral("/dev/zero"), notRead + QStringLiteral("/dev/zero"), false, {}},
        {huge, notRead + huge + QStringLiteral(": the file is larger than 128 MB, too large for a log"), false, {}},
        {path("longline.csv"),
         notRead + path("longline.csv") + QStringLiteral(": a line is longer than 65536 bytes, so it is not a log"),
         false,
         {}},
        {path("crline.csv"), QString(), true, {}}, // a CR in the middle: two short lines
        {path("blank.csv"),
         notRead + path("blank.csv") + QStringLiteral(": the file has more than 8388608 lines, too many for a log"),
         false,
         {}},
        {QStringLiteral("/proc/self/mem"), QStringLiteral("Stream read error"), false, {}},
        {path("bad.csv"), QStringLiteral("'bad' is not a valid floating point value"), true, {{0, 1.0}, {1, 2.0}}},
        {path("overflow.csv"), QStringLiteral("Floating point overflow"), true, {{0, 1.0}}},
        {path("empty.csv"), QStringLiteral("'' is not a valid floating point value"), true, {}},
    };
    form.appendPoint(0, 7, 5.0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        form.Memo1->setPlainText(QStringLiteral("kept\n"));
        const Points before = points(form, 0);
        tav::Unit1.SampleCount = 8;

        EXPECT_EQ(errorOf([&] { form.openLogFile(row.file); }), row.message);
        if (row.loaded) {
            QFile f(row.file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            QString text = QString::fromLocal8Bit(f.readAll());
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
            EXPECT_EQ(form.logText(), text);
            Points expected = before;
            expected.insert(expected.end(), row.replay.begin(), row.replay.end());
            EXPECT_EQ(points(form, 0), expected);
            EXPECT_EQ(tav::Unit1.SampleCount, row.replay.size());
        } else {
            EXPECT_EQ(form.logText(), QStringLiteral("kept\n"));
            EXPECT_EQ(points(form, 0), before);
            EXPECT_EQ(tav::Unit1.SampleCount, 8);
        }
    }
}

TEST_F(LogFile, FilesThatAreNotLogsStopTheReplayOrLoadAsText)
{
    // Bytes that are not UTF-8 show as U+FFFD; the replay stops at the first
    // value that does not convert and keeps the points before it.
    writeFile(path("latin1.csv"), "08:00:00,1.0\r\n\xFF\xFE,2.0\r\n08:00:02,\xC3(\r\n08:00:03,4.0\r\n");
    EXPECT_EQ(errorOf([&] { form.openLogFile(path("latin1.csv")); }),
              QStringLiteral("'\uFFFD(' is not a valid floating point value"));
    EXPECT_EQ(form.logText(), QStringLiteral("08:00:00,1.0\n\uFFFD\uFFFD,2.0\n08:00:02,\uFFFD(\n08:00:03,4.0\n"));
    EXPECT_EQ(points(form, 0), (Points{{0, 1.0}, {1, 2.0}}));

    // NUL bytes are kept in the log; the report shows them as U+FFFD.
    writeFile(path("nul.csv"), QByteArray("\0\0,1.5\r\n\0,2\0\r\n", 14));
    EXPECT_EQ(errorOf([&] { form.openLogFile(path("nul.csv")); }),
              QStringLiteral("'2\uFFFD' is not a valid floating point value"));
    EXPECT_EQ(form.logText(), QString::fromUtf8("\0\0,1.5\n\0,2\0\n", 12));
    EXPECT_EQ(points(form, 0).back(), (std::pair<double, double>{0, 1.5}));

    // A megabyte of random bytes: loaded as text, replayed until a line fails.
    QByteArray noise(1024 * 1024, '\0');
    QRandomGenerator random(20261211);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    writeFile(path("noise.bin"), noise);
    const QString message = errorOf([&] { form.openLogFile(path("noise.bin")); });
    EXPECT_TRUE(message.endsWith(QStringLiteral("is not a valid floating point value")) ||
                message == QStringLiteral("Floating point overflow") || message.isEmpty())
        << message.toStdString();
    EXPECT_EQ(form.logText(), QString::fromLocal8Bit(noise).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    // The view shows it without trouble.
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    QApplication::processEvents();
    EXPECT_TRUE(form.Memo1->isVisible());
}

TEST_F(LogFile, ReplayRepaintsTheChartOnceAtTheEnd)
{
    QByteArray good;
    for (int i = 0; i < 2000; ++i)
        good += "08:00:00,1.0\r\n";
    writeFile(path("good.csv"), good);
    writeFile(path("stops.csv"), good + "08:00:00,bad\r\n" + good);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();

    // Paint events of the chart, and those that cover all of it (a child of
    // the chart, such as a tool bar, may bring a paint of its own strip).
    struct PaintCounter : QObject {
        QWidget* chart = nullptr;
        int paints = 0;
        int whole = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) {
                ++paints;
                if (QRegion(chart->rect()).subtracted(static_cast<QPaintEvent*>(e)->region()).isEmpty())
                    ++whole;
            }
            return false;
        }
    } counter;
    counter.chart = form.iPlot1;
    form.iPlot1->installEventFilter(&counter);
    form.openLogFile(path("good.csv"));
    EXPECT_EQ(counter.paints, 0); // nothing painted while replaying
    QApplication::processEvents();
    EXPECT_EQ(counter.whole, 1);

    // Also when the replay stops at a bad line.
    counter.paints = counter.whole = 0;
    EXPECT_EQ(errorOf([&] { form.openLogFile(path("stops.csv")); }),
              QStringLiteral("'bad' is not a valid floating point value"));
    EXPECT_EQ(counter.paints, 0);
    QApplication::processEvents();
    EXPECT_EQ(counter.whole, 1);
    EXPECT_TRUE(form.iPlot1->updatesEnabled());
    EXPECT_EQ(form.iPlot1->pointCount(0), 4000u);
}

TEST_F(LogFile, SaveButtonThroughItsDialog)
{
    const QString file = path("log.csv");
    writeFile(file, "an older file, replaced without a prompt\r\n");
    form.AppendLogLine(23.4f);

    Offered first;
    bool offeredNameKeptItOpen = false;
    answering({choose(file, &first,
                      [&](QFileDialog* d) {
                          // Accepting the offered "*.csv" filters the listing.
                          acceptButton(d)->click();
                          offeredNameKeptItOpen = d->isVisible() && d->nameFilters() == QStringList{"*.csv"};
                          // A tick while the dialog is open: its line is saved with the rest.
                          form.AppendLogLine(23.5f);
                      })},
              [&] { form.SpeedButton1->click(); });
    EXPECT_TRUE(offeredNameKeptItOpen);
    EXPECT_EQ(first.dialogName, QStringLiteral("SaveDialog1"));
    EXPECT_EQ(first.fileName, QStringLiteral("*.csv"));
    EXPECT_EQ(first.mode, QFileDialog::AcceptSave);
    EXPECT_FALSE(first.confirmsOverwrite);
    EXPECT_EQ(readFile(file), QByteArray("08:05:09,23.4\r\n08:05:09,23.5\r\n"));
    EXPECT_EQ(form.SaveDialog1->FileName, file);

    // The next press offers the name chosen last; cancelling writes nothing.
    Offered second;
    form.AppendLogLine(23.6f);
    answering({cancel(&second)}, [&] { form.SpeedButton1->click(); });
    EXPECT_EQ(second.fileName, QStringLiteral("log.csv"));
    EXPECT_EQ(QDir(second.directory), QDir(dir.path()));
    EXPECT_EQ(readFile(file), QByteArray("08:05:09,23.4\r\n08:05:09,23.5\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.csv")});
}

TEST_F(LogFile, OpenButtonThroughItsDialog)
{
    const QString file = path("four.csv");
    writeFile(file, kFourLines);
    form.AppendLogLine(25.0f);

    Offered first;
    // A line appended while the dialog is open is replaced with the rest.
    answering({choose(file, &first, [&](QFileDialog*) { form.AppendLogLine(26.0f); })},
              [&] { form.SpeedButton2->click(); });
    EXPECT_EQ(first.dialogName, QStringLiteral("OpenDialog1"));
    EXPECT_EQ(first.fileName, QStringLiteral("*.csv"));
    EXPECT_EQ(first.mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(form.logText(), QStringLiteral("abc\n08:00:00,1.0\nxyz\n08:00:01,2.0\n"));
    EXPECT_EQ(points(form, 0), (Points{{0, 1.0}, {1, 2.0}}));
    EXPECT_EQ(tav::Unit1.SampleCount, 2);

    // Cancelled: SampleCount back to 0 and the current log, with the line
    // added while the dialog was open, replayed on top of the chart.
    Offered second;
    tav::Unit1.SampleCount = 500;
    answering({cancel(&second, [&](QFileDialog*) { form.AppendLogLine(27.0f); })},
              [&] { form.SpeedButton2->click(); });
    EXPECT_EQ(second.fileName, QStringLiteral("four.csv"));
    EXPECT_EQ(points(form, 0), (Points{{0, 1.0}, {1, 2.0}, {0, 1.0}, {1, 2.0}, {2, 27.0}}));
    EXPECT_EQ(tav::Unit1.SampleCount, 3);
}

TEST_F(LogFile, OpenErrorsGoToTheDefaultReport)
{
    form.AppendLogLine(25.0f);
    tav::Unit1.SampleCount = 9;
    const QString missing = path("typed but absent.csv");
    Report report;
    answering({choose(missing), acknowledge(&report)}, [&] { form.SpeedButton2->click(); });
    EXPECT_EQ(report.text, QStringLiteral("Cannot open file ") + missing);
    EXPECT_EQ(report.title, QStringLiteral("tavrelon-monitor"));
    EXPECT_EQ(report.icon, QMessageBox::Critical);
    EXPECT_EQ(form.logText(), QStringLiteral("08:05:09,25.0\n"));
    EXPECT_EQ(tav::Unit1.SampleCount, 9);
    EXPECT_TRUE(points(form, 0).empty());

    // Cancelled over a log that does not convert: the report, after the
    // points before the bad line.
    form.Memo1->setPlainText(QStringLiteral("a,1.0\nb,x\n"));
    answering({cancel(), acknowledge(&report)}, [&] { form.SpeedButton2->click(); });
    EXPECT_EQ(report.text, QStringLiteral("'x' is not a valid floating point value"));
    EXPECT_EQ(points(form, 0), (Points{{0, 1.0}}));
    EXPECT_EQ(tav::Unit1.SampleCount, 1);

    // A save that cannot create its file.
    const QString noFolder = path("absent/log.csv");
    answering({choose(noFolder), acknowledge(&report)}, [&] { form.SpeedButton1->click(); });
    EXPECT_EQ(report.text, QStringLiteral("Cannot create file ") + noFolder);
}

} // namespace
