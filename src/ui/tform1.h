#pragma once
// The main window: its components under their own names, the handlers wired
// to them, and the readings' way onto the displays, the chart and the log.
#include "logline.h"
#include "modulestate.h"
#include "sensorport.h"
#include "simulation.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QFrame;

namespace tav {

class FileDialog;
class LogView;
class SerialPort;
class SevenSegmentDisplay;
class Timer;
class TrendPlot;

// The state the handlers share, zero when the program loads.
extern ModuleState Unit1;

class TForm1 : public QWidget, public ReadingSink {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components, in declared order. The window owns them all.
    QFrame* Panel1;
    QLabel* rzlabel1;
    QFrame* Panel2;
    SevenSegmentDisplay* iSevenSegmentAnalog1;
    QPushButton* Button1;
    Timer* Timer1;
    SerialPort* XComm1;
    QPushButton* Button2;
    QLineEdit* Edit1;
    SevenSegmentDisplay* iSevenSegmentAnalog2;
    QCheckBox* CheckBox1;
    QFrame* Panel3;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    TrendPlot* iPlot1;
    LogView* Memo1;
    FileDialog* SaveDialog1;
    FileDialog* OpenDialog1;
    QLineEdit* Edit2;
    QLabel* Label1;

    // Handlers, in declared order.
    void ComPort1RxFlag();
    void iplot_init();
    void FormCreate();
    void COMM_init();
    void FormClose();
    void Button1Click();
    void Timer1Timer();
    void Button2Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

    // Appends the log line for `reading` to Memo1 on a line of its own.
    void AppendLogLine(float reading);

    // The log file, as the two file buttons use it after their dialogs.
    // Writes the log's text to `fileName`, CR LF between lines, replacing the
    // file only once the whole text is written. Throws Error("Cannot create
    // file <name>") or Error("Stream write error").
    void saveLogFile(const QString& fileName);
    // Makes the text of `fileName` the log's text, then replays the log.
    // Throws Error("Cannot open file <name>...") with the log untouched, or
    // the replay's conversion error.
    void openLogFile(const QString& fileName);
    // SampleCount := 0, then every log line that holds a comma becomes a point
    // of chart channel 0.
    void replayLog();
    // The log's text: its lines with "\n" between them, as typed, loaded or
    // appended (the view's wrapping plays no part).
    QString logText() const;

    // ReadingSink: where a tick's readings go.
    void showValue(int display, double value) override;
    void setSecondDisplayVisible(bool visible) override;
    void appendPoint(int channel, double x, double y) override;
    void appendLogLine(float reading) override { AppendLogLine(reading); }

    // The user's decimal separator, read once when the window is created.
    const std::string& decimalSeparator() const { return m_decimalSeparator; }

    // For tests: the wall clock and the 25 ms pause of the poll cycle.
    void setClock(std::unique_ptr<Clock> clock);
    void setPause(std::function<void()> pause) { m_pause = std::move(pause); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void displaySetup();
    void portControlSetup();

    std::string m_decimalSeparator;
    std::unique_ptr<Clock> m_clock;
    std::function<void()> m_pause;
    // The simulated readings' source: one per window, so every start of the
    // program draws the same sequence.
    SimulationSource m_simulation;
};

// The one instance, set while it exists.
extern TForm1* Form1;

} // namespace tav
