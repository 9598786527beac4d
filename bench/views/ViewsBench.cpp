// The search, the random picks and List2's scrolling on a large catalogue, in the real main
// window. Reads LDsend.Dll from the program folder (TABRAZO_HOME).
#include "core/outside/ProgramFiles.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/Timing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QTextStream>

#include <vector>

using Timing::median;
using Timing::timed;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString keyword = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("小");

    FormMain main;
    forms().setFormMain(&main);
    main.show();
    QElapsedTimer load;
    load.start();
    SjCL::LoadCatalogue(main, ProgramFiles::path(ProgramFiles::Catalogue));
    QCoreApplication::processEvents();
    int games = 0;
    for (const Category& category : main.catalogue().categories())
        games += qMax(0, int(category.games.size()) - 1);
    out << "catalogue: " << games << " games in " << main.catalogue().categoryCount()
        << " categories, loaded and shown in " << load.elapsed() << " ms\n";

    main.Text4->setText(keyword);
    const double search = timed(
        [&] {
            SjCL::SearchCatalogue(main);
            main.List2->repaint();
        },
        21);
    out << "SearchCatalogue \"" << keyword << "\" + List2 fill and paint: median " << search << " ms, "
        << main.List2->ListCount() << " rows\n";

    // The picks are painted where the user sees them.
    main.GamelistFrm->hide();
    main.SbPlayFrm->show();
    const double picks = timed(
        [&] {
            SjCL::FillRandomList(main);
            main.ListSB->repaint();
        },
        101);
    out << "FillRandomList (30 picks) + paint: median " << picks << " ms\n";

    main.SbPlayFrm->hide();
    main.GamelistFrm->show();

    // Every game as a search result line: the longest List2 a search can give.
    ListBoxEx* list2 = main.List2;
    list2->Clear();
    for (const Category& category : main.catalogue().categories())
        for (int g = 1; g < category.games.size(); ++g)
            list2->AddItem(category.name + QLatin1Char('-') + category.games[g].title);
    const int rows = list2->ListCount();
    std::vector<double> repaints;
    for (int top = 0; top + 30 < rows && repaints.size() < 2000; top += 7) {
        list2->setTopIndex(top);
        QElapsedTimer timer;
        timer.start();
        list2->repaint();
        repaints.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    out << "List2 scrolling through " << rows << " rows: median " << median(repaints) << " ms per repaint ("
        << repaints.size() << " repaints)\n";
    return 0;
}
