// main() of the Qt tests: a QApplication for real widgets, then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavrelon-monitor"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
