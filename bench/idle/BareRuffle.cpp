// The yardstick for playing: Ruffle in a bare QWebEngineView page, nothing else, at a given size.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    QWebEngineView view;
    view.resize(QString::fromLocal8Bit(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]).toInt());
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}
