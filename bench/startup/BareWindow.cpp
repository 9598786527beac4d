// The yardstick for start-up: a bare Qt Widgets program that shows one 327 x 575 window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tabrazo"));
    window.resize(327, 575);
    window.show();
    return app.exec();
}
