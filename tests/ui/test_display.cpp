// The seven-segment display: the places it shows for a value, its text and
// accessible name, its fitting to its places and its colours on screen.
#include "sevensegmentdisplay.h"
#include "sevensegmentmodel.h"
#include "tform1.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QtTest/QTest>

#include <cmath>
#include <limits>

namespace {

struct PlacesCase {
    double value;
    int precision;
    const char* text; // sign place, digit places, "." where the mark is drawn
    bool overflow;
};

class DisplayPlaces : public ::testing::TestWithParam<PlacesCase> { };

TEST_P(DisplayPlaces, ShowsSignDigitsMarkAndOverflow)
{
    const PlacesCase c = GetParam();
    const tav::SevenSegmentPlaces places = tav::sevenSegmentPlaces(c.value, c.precision);
    EXPECT_EQ(places.text(QStringLiteral(".")), QString::fromUtf8(c.text));
    EXPECT_EQ(places.overflow, c.overflow);
    EXPECT_EQ(places.markBefore, c.precision > 0 && !c.overflow ? 4 - c.precision : -1);
}

INSTANTIATE_TEST_SUITE_P(Examples, DisplayPlaces,
    ::testing::Values(PlacesCase { 25.0, 1, "+ 25.0", false }, PlacesCase { -19.9, 1, "- 19.9", false },
        PlacesCase { 0.5, 1, "+  0.5", false }, PlacesCase { 999.9, 1, "+999.9", false },
        PlacesCase { 1000.0, 1, "+----", true }, PlacesCase { -1000.0, 1, "-----", true },
        PlacesCase { 0.0, 1, "+  0.0", false }, PlacesCase { 300.0, 0, "+ 300", false },
        // Rounding decides the overflow: 999.96 is 1000.0 with one decimal.
        PlacesCase { 999.96, 1, "+----", true }, PlacesCase { 999.94, 1, "+999.9", false },
        PlacesCase { 9999.0, 0, "+9999", false }, PlacesCase { 10000.0, 0, "+----", true },
        PlacesCase { -0.04, 1, "-  0.0", false }, PlacesCase { 0.0, 0, "+   0", false }),
    [](const ::testing::TestParamInfo<PlacesCase>& info) {
        QString name = QString::number(info.param.value, 'f', 2) + QStringLiteral("p%1").arg(info.param.precision);
        name.replace(QLatin1Char('-'), QLatin1String("minus")).replace(QLatin1Char('.'), QLatin1Char('_'));
        return QStringLiteral("n%1_").arg(info.index).toStdString() + name.toStdString();
    });

TEST(DisplayPlaces, NonFiniteValuesOverflowInsteadOfFailing)
{
    for (double v : { std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::quiet_NaN(), 1e300 }) {
        const tav::SevenSegmentPlaces places = tav::sevenSegmentPlaces(v, 1);
        EXPECT_TRUE(places.overflow) << v;
        EXPECT_EQ(places.text(QStringLiteral(".")).mid(1), QStringLiteral("----"));
    }
}

TEST(DisplayPlaces, TextUsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(tav::sevenSegmentPlaces(25.0, 1).text(QStringLiteral(",")), QStringLiteral("+ 25,0"));
}

TEST(SevenSegmentDisplay, ExposesItsTextAsAccessibleName)
{
    tav::SevenSegmentDisplay d;
    d.setPrecision(1);
    d.setValue(-19.9);
    EXPECT_EQ(d.text(), QStringLiteral("- 19.9"));
    EXPECT_EQ(d.accessibleName(), d.text());
    d.setValue(1000.0);
    EXPECT_EQ(d.text(), QStringLiteral("+----"));
    EXPECT_DOUBLE_EQ(d.value(), 1000.0);
}

TEST(SevenSegmentDisplay, FitsToItsPlacesOnlyWhenThePrecisionChanges)
{
    tav::SevenSegmentDisplay d;
    d.setGeometry(170, 14, 119, 43);
    d.setPrecision(0); // unchanged: the laid-out size stays
    EXPECT_EQ(d.size(), QSize(119, 43));
    d.setPrecision(1);
    EXPECT_EQ(d.size(), QSize(84, 28));
    EXPECT_EQ(d.precision(), 1);
}

TEST(SevenSegmentDisplay, RepaintsOnlyWhenTheShownTextChanges)
{
    struct Counting : tav::SevenSegmentDisplay {
        int paints = 0;
        void paintEvent(QPaintEvent* e) override
        {
            ++paints;
            tav::SevenSegmentDisplay::paintEvent(e);
        }
    } d;
    d.setPrecision(1);
    d.setValue(25.0);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTest::qWait(50);
    const int before = d.paints;
    d.setValue(25.04); // still "+ 25.0"
    QCoreApplication::processEvents();
    EXPECT_EQ(d.paints, before);
    d.setValue(25.1);
    QCoreApplication::processEvents();
    EXPECT_GT(d.paints, before);
}

TEST(SevenSegmentDisplay, PaintsLitAndUnlitSegmentsOnBlack)
{
    tav::SevenSegmentDisplay d;
    d.setSegmentColor(QColor(0, 255, 0));
    d.setPrecision(1);
    d.setValue(25.0);
    EXPECT_EQ(d.offSegmentColor(), QColor(0, 85, 0));
    QImage image(d.size(), QImage::Format_RGB32);
    d.render(&image);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::black)); // margin
    int lit = 0, unlit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            lit += c == QColor(0, 255, 0);
            unlit += c == QColor(0, 85, 0);
        }
    EXPECT_GT(lit, 50);
    EXPECT_GT(unlit, 20); // e.g. the blank place and the unlit segments of "2"
    // The sign place's middle is lit for plus.
    const int signCentreX = 5 + 5 * (image.width() - 10) / 74;
    EXPECT_EQ(image.pixelColor(signCentreX, image.height() / 2), QColor(0, 255, 0));
}

TEST(DisplaySetUp, TemperatureCaptionPrecisionAndPlace)
{
    tav::Unit1 = {};
    tav::TForm1 form;
    EXPECT_EQ(form.rzlabel1->text(), QStringLiteral("实时温度(°C)"));
    EXPECT_EQ(form.iSevenSegmentAnalog1->geometry(), QRect(170, 24, 84, 28));
    EXPECT_EQ(form.iSevenSegmentAnalog2->geometry(), QRect(296, 24, 84, 28));
    EXPECT_EQ(form.iSevenSegmentAnalog1->text(), QStringLiteral("+  0.0"));
    EXPECT_EQ(form.iSevenSegmentAnalog1->segmentColor(), QColor(0, 255, 0));
}

} // namespace
