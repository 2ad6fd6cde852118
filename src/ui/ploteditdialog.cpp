#include "ploteditdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace tav {
namespace {

QDoubleSpinBox* numberField(QWidget* parent, const char* name, double value, double minimum)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(3);
    box->setRange(minimum, 1e12);
    box->setValue(value);
    return box;
}

} // namespace

PlotEditDialog::PlotEditDialog(const PlotEditValues& values, QWidget* parent)
    : QDialog(parent)
    , m_initial(values)
{
    setObjectName(QStringLiteral("plotEditDialog"));
    setWindowTitle(QStringLiteral("编辑"));
    auto* layout = new QVBoxLayout(this);

    auto* axes = new QGroupBox(QStringLiteral("坐标轴"), this);
    auto* form = new QFormLayout(axes);
    m_xMin = numberField(axes, "xMin", values.xMin, -1e12);
    m_xSpan = numberField(axes, "xSpan", values.xSpan, 0.001);
    m_yMin = numberField(axes, "yMin", values.yMin, -1e12);
    m_ySpan = numberField(axes, "ySpan", values.ySpan, 0.001);
    form->addRow(QStringLiteral("X 最小值"), m_xMin);
    form->addRow(QStringLiteral("X 跨度"), m_xSpan);
    form->addRow(QStringLiteral("Y 最小值"), m_yMin);
    form->addRow(QStringLiteral("Y 跨度"), m_ySpan);
    layout->addWidget(axes);

    auto* channels = new QGroupBox(QStringLiteral("通道"), this);
    auto* list = new QVBoxLayout(channels);
    for (std::size_t i = 0; i < values.channelTitles.size(); ++i) {
        auto* box = new QCheckBox(values.channelTitles[i], channels);
        box->setObjectName(QStringLiteral("channelVisible%1").arg(i));
        box->setChecked(i < values.channelVisible.size() ? values.channelVisible[i] : true);
        list->addWidget(box);
        m_visible.push_back(box);
    }
    layout->addWidget(channels);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

PlotEditValues PlotEditDialog::values() const
{
    PlotEditValues v = m_initial;
    v.xMin = m_xMin->value();
    v.xSpan = m_xSpan->value();
    v.yMin = m_yMin->value();
    v.ySpan = m_ySpan->value();
    v.channelVisible.clear();
    for (const QCheckBox* box : m_visible)
        v.channelVisible.push_back(box->isChecked());
    return v;
}

} // namespace tav
