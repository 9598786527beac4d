#include "core/catalogue/Rnd.h"
#include "core/outside/MessageBox.h"
#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/TestCatalogue.h"
#include "support/Windows.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestCatalogue::game;

class TestViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(dir.path()));
        // Selecting a game fetches its picture: from this machine, where nothing answers.
        qputenv("TABRAZO_SERVER", "http://127.0.0.1:9");
        // Same-named categories, an empty one that is not last, a title holding "-", case in titles.
        QVERIFY(TestCatalogue::write(dir.filePath(QStringLiteral("LDsend.Dll")),
            { { u"动作"_qs,
                  { game(1, u"小猫快跑"_qs), game(2, u"超级-玛丽"_qs), game(3, u"小兵"_qs), game(4, u"大炮"_qs) } },
                { u"空"_qs, {} }, { u"益智"_qs, { game(5, u"连连看"_qs), game(6, u"小鸟"_qs), game(7, u"Abc"_qs) } },
                { u"动作"_qs, { game(8, u"小猫快跑"_qs), game(9, u"终极"_qs) } } }));
    }
    void init()
    {
        main = std::make_unique<FormMain>();
        forms().setFormMain(main.get());
        SjCL::LoadCatalogue(*main, dir.filePath(QStringLiteral("LDsend.Dll")));
        MessageBox::clearShown();
    }
    void cleanupTestCase()
    {
        main.reset();
        unloadWindows();
    }

    void loading();
    void selection();
    void search();
    void viewSwitches();
    void searchBoxHint();

private:
    static QStringList lines(ListBoxEx* list)
    {
        QStringList result;
        for (int i = 0; i < list->ListCount(); ++i)
            result << list->List(i);
        return result;
    }

    QTemporaryDir dir;
    std::unique_ptr<FormMain> main;
};

void TestViews::loading()
{
    // The first category is selected and its games listed; an empty file leaves empty lists.
    QCOMPARE(lines(main->List1), QStringList({ "动作", "空", "益智", "动作" }));
    QCOMPARE(main->List1->ListIndex(), 0);
    QCOMPARE(lines(main->List2), QStringList({ "小猫快跑", "超级-玛丽", "小兵", "大炮" }));
    SjCL::LoadCatalogue(*main, dir.filePath(QStringLiteral("absent.Dll")));
    QCOMPARE(main->List1->ListCount(), 0);
    QCOMPARE(main->List1->ListIndex(), -1);

    // A catalogue that arrives while the favourites show leaves them showing, with their button.
    main->ScList_Click();
    SjCL::LoadCatalogue(*main, dir.filePath(QStringLiteral("LDsend.Dll")));
    QVERIFY(!main->ScListFrm->isHidden() && main->GamelistFrm->isHidden() && main->ScList->Value());
    QCOMPARE(main->List1->ListCount(), 4);
    main->YxList_Click();
    QVERIFY(main->ScListFrm->isHidden() && !main->GamelistFrm->isHidden());

    // The picks go to ListSB from the program's generator, the same in every run.
    for (int start = 0; start < 2; ++start) {
        SjCL::LoadCatalogue(*main, dir.filePath(QStringLiteral("LDsend.Dll")));
        Rnd::program() = Rnd();
        SjCL::FillRandomList(*main);
        QCOMPARE(main->ListSB->ListCount(), 30);
        QCOMPARE(lines(main->ListSB).mid(0, 2), QStringList({ "益智-小鸟", "空-" }));
    }
}

void TestViews::selection()
{
    main->List1->setListIndex(2);
    SjCL::ShowCategoryGames(*main);
    main->List2->setListIndex(1);
    SjCL::ShowGameInfo(*main, main->List2);
    const Game bird = game(6, u"小鸟"_qs);
    FlashFrm* player = forms().flashFrm();
    MuenFrm* menus = forms().muenFrm();
    QCOMPARE(QStringList({ main->FlashUrlLsSL, main->GameNameSL, player->CzFFLab->text(), player->GamejsLab->text() }),
        QStringList({ bird.flashurl, bird.title, bird.flash_fangfa, bird.flashsay }));
    QCOMPARE(
        QStringList({ menus->GmStyle, menus->GmName, menus->GmImage, menus->GmSize, menus->GmKeyBoard, menus->GmZtid }),
        QStringList({ u"益智"_qs, bird.title, bird.litpic, bird.filesize, bird.keyboard, bird.ztid }));
    QCOMPARE(menus->GmId, qint16(6));
    const GameJsFrm* information = forms().gameJsFrm();
    QCOMPARE(QStringList({ information->Label2->text(), information->FLCAP->text(), information->Label3->text(),
                 information->Label1[0]->text(), information->Label1[1]->text(), information->Text4->toPlainText() }),
        QStringList({ bird.title, u"益智"_qs, bird.filesize, bird.flashsay, bird.flash_fangfa, bird.flashurl }));

    // A click below the last row clears the selection and nothing else.
    main->List2->setListIndex(-1);
    SjCL::ShowGameInfo(*main, main->List2);
    QCOMPARE(main->GameNameSL, bird.title);

    // A pick carries its own category, to the menus and to the player.
    Rnd::program() = Rnd();
    SjCL::FillRandomList(*main);
    main->List1->setListIndex(0);
    main->ListSB->setListIndex(2);
    SjCL::ShowGameInfo(*main, main->ListSB);
    SjCL::HandGameToPlayer(*main, main->ListSB);
    QCOMPARE(QStringList({ menus->GmStyle, player->GbStyle, player->GbName, player->GbZtid }),
        QStringList({ u"动作"_qs, u"动作"_qs, u"小兵"_qs, game(3, QString()).ztid }));
    QCOMPARE(player->GbId, qint16(3));

    // A title holding "-" reads as a category-title line; when that names no game, the title of
    // the game at its row is still that game, under the category List1 shows.
    SjCL::ShowCategoryGames(*main);
    main->List2->setListIndex(1);
    SjCL::ShowGameInfo(*main, main->List2);
    SjCL::HandGameToPlayer(*main, main->List2);
    QCOMPARE(QStringList({ main->GameNameSL, menus->GmName, menus->GmStyle, player->GbName, player->GbStyle }),
        QStringList({ u"超级-玛丽"_qs, u"超级-玛丽"_qs, u"动作"_qs, u"超级-玛丽"_qs, u"动作"_qs }));
    // The same text in the picks names no game: the lists tell the rules which list a line is in.
    QCOMPARE(SjCL::FindGameForLine(*main, main->ListSB, u"超级-玛丽"_qs).id, 0);
}

void TestViews::search()
{
    main->Text4->setText(u"小"_qs);
    SjCL::SearchCatalogue(*main);
    QCOMPARE(lines(main->List2), QStringList({ "动作-小猫快跑", "动作-小兵", "益智-小鸟", "动作-小猫快跑" }));
    // The last line is the later category's game, and names that category whatever List1 shows.
    main->List1->setListIndex(2);
    main->List2->setListIndex(3);
    SjCL::ShowGameInfo(*main, main->List2);
    QCOMPARE(forms().muenFrm()->GmId, qint16(8));
    QCOMPARE(forms().muenFrm()->GmStyle, u"动作"_qs);

    // No match empties the list and says nothing.
    main->Text4->setText(u"abc"_qs);
    SjCL::SearchCatalogue(*main);
    QCOMPARE(main->List2->ListCount(), 0);
    QVERIFY(MessageBox::shown().isEmpty());

    // An empty box, or one showing the hint, keeps the list and asks for a keyword.
    main->Text4->setText(u"Abc"_qs);
    SjCL::SearchCatalogue(*main);
    for (const QString& text : { QString(), SjCL::SearchHint }) {
        main->Text4->setText(text);
        SjCL::SearchCatalogue(*main);
        QCOMPARE(lines(main->List2), QStringList({ "益智-Abc" }));
    }
    QCOMPARE(MessageBox::shown().size(), 2);
    QCOMPARE(MessageBox::shown().first().text, u"搜索的关键字不能为空，请输入您想要搜索的内容！"_qs);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::NoIcon);
}

void TestViews::viewSwitches()
{
    auto state = [this] {
        return QList<int>({ main->YxList->Value(), main->SbpLAY->Value(), main->ScList->Value(),
            !main->GamelistFrm->isHidden(), !main->SbPlayFrm->isHidden(), !main->ScListFrm->isHidden(),
            main->YxListDropDown, main->SbpLAYDropDown, main->ScListDropDown });
    };
    QCOMPARE(state(), QList<int>({ 1, 0, 0, 1, 0, 0, 0, 0, 0 }));
    main->SbpLAY_Click();
    QCOMPARE(state(), QList<int>({ 0, 1, 0, 0, 1, 0, 2, 1, 2 }));
    const QStringList first = lines(main->ListSB);
    QCOMPARE(first.size(), 30);

    // A selected pick keeps the list, also across view switches.
    main->ListSB->setListIndex(4);
    main->SbpLAY_Click();
    main->YxList_Click();
    QCOMPARE(state(), QList<int>({ 1, 0, 0, 1, 0, 0, 1, 2, 2 }));
    main->SbpLAY_Click();
    QCOMPARE(lines(main->ListSB), first);
    main->ListSB->setListIndex(-1);
    main->SbpLAY_Click();
    QVERIFY(lines(main->ListSB) != first);

    // No category selected: nothing to draw from.
    main->ListSB->Clear();
    main->List1->setListIndex(-1);
    main->SbpLAY_Click();
    QCOMPARE(main->ListSB->ListCount(), 0);
}

void TestViews::searchBoxHint()
{
    main->show();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QCOMPARE(main->Text4->text(), QString());
    main->Text4->setFocus();
    main->List2->hWnd()->setFocus();
    QTRY_COMPARE(main->Text4->text(), SjCL::SearchHint);
    QCOMPARE(main->Text4->palette().color(QPalette::Text), QColor(170, 170, 170));
    main->Text4->setFocus();
    QTRY_COMPARE(main->Text4->text(), QString());
    QCOMPARE(main->Text4->palette().color(QPalette::Text), QColor(0, 0, 0));
    main->Text4->setText(u"小"_qs);
    main->List2->hWnd()->setFocus();
    QTRY_VERIFY(!main->Text4->hasFocus());
    QCOMPARE(main->Text4->text(), u"小"_qs);
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
