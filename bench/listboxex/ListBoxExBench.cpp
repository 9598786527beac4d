#include "gui/shell/ListStyles.h"
#include "gui/widgets/ListBoxEx.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

struct Figures {
    double median;
    double p90;
    double worst;
};

Figures figures(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&samples](double q) { return samples[size_t(q * double(samples.size() - 1))]; };
    return { at(0.5), at(0.9), samples.back() };
}

} // namespace

int main(int argc, char* argv[])
{
    // Runs without a display too; a real one gives the figures of the real backing store.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    constexpr int rowCount = 20000;
    ListBoxEx list;
    list.ReadProperties(ListStyles::saved(QStringLiteral("List2")));
    list.setGeometry(50, 50, 212, 443);
    list.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rowCount; ++i)
        list.AddItem(QStringLiteral("第%1个小游戏 - Game number %1").arg(i + 1));
    QCoreApplication::processEvents();
    out << "fill " << rowCount << " rows: " << timer.elapsed() << " ms\n";

    int rowsDrawn = 0;
    QObject::connect(
        &list, &ListBoxEx::DrawItem, &list, [&rowsDrawn](int, QPainter*, int, int, int, bool&) { ++rowsDrawn; });

    // Scrolling as the wheel does (three rows), as the arrow keys do (one) and page by page.
    const int visible = list.hWnd()->height() / list.ItemHeight();
    for (int step : { 1, 3, visible }) {
        std::vector<double> samples;
        rowsDrawn = 0;
        int top = 0;
        for (int i = 0; i < 2000; ++i) {
            top = (top + step) % rowCount;
            list.setTopIndex(top);
            timer.restart();
            list.hWnd()->repaint();
            samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        const Figures f = figures(samples);
        out << QStringLiteral(
            "scroll by %1 row(s): median %2 ms, p90 %3 ms, worst %4 ms per repaint, %5 rows drawn per repaint\n")
                   .arg(step)
                   .arg(f.median, 0, 'f', 3)
                   .arg(f.p90, 0, 'f', 3)
                   .arg(f.worst, 0, 'f', 3)
                   .arg(double(rowsDrawn) / double(samples.size()), 0, 'f', 1);
    }
    return 0;
}
