#pragma once
// The chart's small editor: the range of each axis and which channels show.
#include <QDialog>
#include <QString>

#include <vector>

class QDoubleSpinBox;
class QCheckBox;

namespace tav {

struct PlotEditValues {
    double xMin = 0;
    double xSpan = 100;
    double yMin = 0;
    double ySpan = 100;
    std::vector<QString> channelTitles; // shown beside the check boxes
    std::vector<bool> channelVisible;
};

class PlotEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlotEditDialog(const PlotEditValues& values, QWidget* parent = nullptr);

    // The values as edited; the titles are those passed in.
    PlotEditValues values() const;

private:
    PlotEditValues m_initial;
    QDoubleSpinBox* m_xMin;
    QDoubleSpinBox* m_xSpan;
    QDoubleSpinBox* m_yMin;
    QDoubleSpinBox* m_ySpan;
    std::vector<QCheckBox*> m_visible;
};

} // namespace tav
