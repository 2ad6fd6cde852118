// The monitor: one window, shown until it is closed.
#include "tform1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    tav::TForm1 form;
    form.show();
    return app.exec();
}
