#pragma once
// The chart's toolbar "Toolbar 1": a horizontal row of small flat buttons.
#include <QWidget>

class QToolButton;

namespace tav {

class PlotToolbar : public QWidget {
    Q_OBJECT
public:
    enum class Button { Resume, Pause, AxesMode, ZoomIn, ZoomOut, ZoomBox, Cursor, Edit, Copy, Save, Print };

    explicit PlotToolbar(QWidget* parent = nullptr);

    QToolButton* button(Button which) const;
    // The object name a button carries ("resumeButton", "pauseButton", ...).
    static QString objectNameOf(Button which);

signals:
    void clicked(tav::PlotToolbar::Button which);

private:
    QToolButton* m_buttons[11] = {};
};

} // namespace tav
