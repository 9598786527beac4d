#include "core/favourites/FavoriteModule.h"
#include "core/outside/MessageBox.h"
#include "core/player/Sharing.h"
#include "gui/menus/MuenFrm.h"
#include "gui/outside/Clipboard.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FavoriteList.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/shell/SjCL.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/TestCatalogue.h"
#include "support/Windows.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestCatalogue::game;

// The favourites commands as the user reaches them: the player's button, the menu commands, the
// favourites view of the main window, with every box they show.
class TestFavourites : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<FormMain> main;

    QString store() const { return dir.filePath(QStringLiteral("Favorite.mdb")); }
    static QString padded(const QString& text, int width) { return text.leftJustified(width, u' '); }
    static QStringList lines(ListBoxEx* list)
    {
        QStringList result;
        for (int i = 0; i < list->ListCount(); ++i)
            result << list->List(i);
        return result;
    }
    static QStringList texts()
    {
        QStringList result;
        for (const MessageBox::Shown& box : MessageBox::shown())
            result << box.text;
        return result;
    }
    // The game at row of the first category, clicked in List2 and thus the menus' game.
    void clickGame(int row)
    {
        main->List1->setListIndex(0);
        SjCL::ShowCategoryGames(*main);
        main->List2->setListIndex(row);
        SjCL::ShowGameInfo(*main, main->List2);
    }
    void addFromMenu(int row)
    {
        clickGame(row);
        FavoriteList::Tjsc_Click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(dir.path()));
        // Selecting a game fetches its picture: from this machine, where nothing answers.
        qputenv("TABRAZO_SERVER", "http://127.0.0.1:9");
        QVERIFY(TestCatalogue::write(dir.filePath(QStringLiteral("LDsend.Dll")),
            { { u"动作"_qs, { game(1, u"小猫快跑"_qs), game(2, u"it's 50% -- _x_;"_qs), game(3, u"小兵"_qs) } } }));
    }
    void init()
    {
        QFile::remove(store());
        main = std::make_unique<FormMain>();
        forms().setFormMain(main.get());
        SjCL::LoadCatalogue(*main, dir.filePath(QStringLiteral("LDsend.Dll")));
        FlashFrm* player = forms().flashFrm();
        player->setCurrentGame(Game(), QString());
        MessageBox::clearShown();
    }
    void cleanupTestCase()
    {
        main.reset();
        unloadWindows();
    }

    void playerButton();
    void menuAddAndView();
    void selectAndHandToPlayer();
    void removeAndRefresh();
    void clear();
    void shareFromTheMenu();
};

void TestFavourites::playerButton()
{
    FlashFrm* player = forms().flashFrm();
    ButtonEx* button = player->FlashSC;
    // No game started: the guard, nothing stored, and the button back to its normal picture.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(texts(), QStringList({ "您还没有开始玩游戏呢!" }));
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::NoIcon);
    QVERIFY(!button->Value());
    QVERIFY(!QFile::exists(store()));

    // The game playing, under a category with blanks around it: stored once, then refused.
    player->setCurrentGame(game(1, u"小猫快跑"_qs), u"  动作 "_qs);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(texts(),
        QStringList({ "您还没有开始玩游戏呢!", "《动作-小猫快跑》已经成功添加至收藏列表！请到收藏列表中查看！",
            "该游戏已经存在于收藏列表了，请勿重复添加！" }));
    QCOMPARE(MessageBox::shown().at(1).icon, MessageBox::Question);
    QCOMPARE(MessageBox::shown().at(2).icon, MessageBox::Critical);
    QVERIFY(!button->Value());
    QVector<FavoriteRecord> stored;
    QVERIFY(FavoriteModule::LoadFavorites(stored));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().Style, padded(u"动作"_qs, 10));
    QCOMPARE(stored.first().name, padded(u"小猫快跑"_qs, 50));

    // A title longer than the name field is stored cut, and still recognised the next time.
    MessageBox::clearShown();
    const QString longTitle = QString(60, u'长');
    player->setCurrentGame(game(2, longTitle), u"动作"_qs);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(texts().last(), u"该游戏已经存在于收藏列表了，请勿重复添加！"_qs);
    QVERIFY(FavoriteModule::LoadFavorites(stored));
    QCOMPARE(stored.size(), 2);

    // A store that cannot be written says so.
    QFile::remove(store());
    QVERIFY(QDir().mkdir(store()));
    MessageBox::clearShown();
    player->setCurrentGame(game(3, u"小兵"_qs), u"动作"_qs);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(texts(), QStringList({ "添加至收藏失败！" }));
    QVERIFY(QDir().rmdir(store()));
}

void TestFavourites::menuAddAndView()
{
    // The menu's add has no guard: before any game was clicked it stores blanks.
    forms().muenFrm()->setSelectedGame(Game(), QString());
    FavoriteList::Tjsc_Click();
    addFromMenu(1);
    addFromMenu(1);
    QCOMPARE(texts(),
        QStringList({ "《-》已经成功添加至收藏列表！请到收藏列表中查看！",
            "《动作-it's 50% -- _x_;》已经成功添加至收藏列表！请到收藏列表中查看！",
            "该游戏已经存在于收藏列表了，请勿重复添加！" }));

    auto state = [this] {
        return QList<int>({ main->YxList->Value(), main->ScList->Value(), main->SbpLAY->Value(),
            !main->GamelistFrm->isHidden(), !main->ScListFrm->isHidden(), !main->SbPlayFrm->isHidden(),
            main->YxListDropDown, main->ScListDropDown, main->SbpLAYDropDown });
    };
    main->ScList_Click();
    QCOMPARE(state(), QList<int>({ 0, 1, 0, 0, 1, 0, 2, 1, 2 }));
    const QStringList rows { u"-"_qs + padded(QString(), 50), u"动作-"_qs + padded(u"it's 50% -- _x_;"_qs, 50) };
    QCOMPARE(lines(main->List4), rows);

    // Clicked again while showing: the list is read again, the buttons stay as they are.
    main->ScListDropDown = 0;
    addFromMenu(0);
    main->ScList_Click();
    QCOMPARE(main->ScListDropDown, 0);
    QCOMPARE(lines(main->List4).size(), 3);

    // An unreadable store leaves the list as it was.
    QFile::remove(store());
    main->ScList_Click();
    QCOMPARE(lines(main->List4).size(), 3);
}

void TestFavourites::selectAndHandToPlayer()
{
    addFromMenu(2);
    addFromMenu(0);
    main->ScList_Click();
    MessageBox::clearShown();
    main->List4->setListIndex(1);
    FavoriteList::SelectFavorite(*main);

    const Game cat = game(1, u"小猫快跑"_qs);
    FlashFrm* player = forms().flashFrm();
    QCOMPARE(main->FlashUrlLsSL, padded(cat.flashurl, 100));
    QCOMPARE(main->GameNameSL, cat.title);
    QCOMPARE(player->CzFFLab->text(), padded(cat.flash_fangfa, 100));
    QCOMPARE(player->GamejsLab->text(), padded(cat.flashsay, 100));
    QCOMPARE(forms().muenFrm()->GmDelGameName, padded(cat.title, 50));
    QCOMPARE(main->SelectedFavorite.Style, u"动作"_qs);

    FavoriteList::HandFavoriteToPlayer(*main);
    QCOMPARE(QStringList({ player->GbStyle, player->GbName, player->GbKeyBoard, player->GbSize }),
        QStringList({ u"动作"_qs, padded(cat.title, 50), padded(cat.keyboard, 20), padded(cat.filesize, 20) }));
    QCOMPARE(player->GbId, qint16(1));

    // The information window shows the favourite without the store's padding.
    const GameJsFrm* information = forms().gameJsFrm();
    QCOMPARE(QStringList({ information->Label2->text(), information->FLCAP->text(), information->Label1[0]->text(),
                 information->Text4->toPlainText() }),
        QStringList({ cat.title, u"动作"_qs, cat.flashsay, cat.flashurl }));
    // Its start hands the player the game it shows, with the record of the list that game came from.
    main->HandShownGameToPlayer();
    QCOMPARE(player->GbName, padded(cat.title, 50));
    clickGame(2);
    main->HandShownGameToPlayer();
    QCOMPARE(QStringList({ player->GbName, player->GbStyle }), QStringList({ u"小兵"_qs, u"动作"_qs }));
    main->List4->setListIndex(1);
    FavoriteList::SelectFavorite(*main);

    // A click below the last row selects nothing and changes nothing.
    main->List4->setListIndex(-1);
    FavoriteList::SelectFavorite(*main);
    QCOMPARE(main->GameNameSL, cat.title);
    QVERIFY(MessageBox::shown().isEmpty());
}

void TestFavourites::removeAndRefresh()
{
    addFromMenu(0);
    addFromMenu(1);
    main->ScList_Click();
    // Nothing selected: nothing removed.
    FavoriteList::DelSc_Click(*main);
    QCOMPARE(lines(main->List4).size(), 2);

    // The row right-clicked goes, whatever its name holds, and the list shows the rest.
    main->List4->setListIndex(1);
    FavoriteList::SelectFavorite(*main);
    FavoriteList::DelSc_Click(*main);
    QCOMPARE(lines(main->List4), QStringList({ u"动作-"_qs + padded(u"小猫快跑"_qs, 50) }));
    main->List4->setListIndex(0);
    FavoriteList::SelectFavorite(*main);
    FavoriteList::DelSc_Click(*main);
    QCOMPARE(main->List4->ListCount(), 0);

    // Refresh shows what the file holds, also when another add happened meanwhile.
    FavoriteModule::AddFavorite(FavoriteRecord::fromGame(game(3, u"小兵"_qs), u"动作"_qs));
    FavoriteList::F5ScList_Click(*main);
    QCOMPARE(lines(main->List4), QStringList({ u"动作-"_qs + padded(u"小兵"_qs, 50) }));
}

void TestFavourites::clear()
{
    addFromMenu(0);
    main->ScList_Click();
    MessageBox::clearShown();

    // Nothing selected: the current-list variant says so and asks nothing.
    main->List4->setListIndex(-1);
    FavoriteList::DelScListSY_Click(*main);
    QCOMPARE(texts(), QStringList({ "您的收藏列表内没有收藏的游戏，不需要清空！" }));
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Exclamation);

    // No: file and list stay. Yes without a selection: nothing happens.
    MessageBox::clearShown();
    main->List4->setListIndex(0);
    MessageBox::queueAnswer(MessageBox::AnswerNo);
    FavoriteList::DelScList_Click(*main);
    QCOMPARE(texts(), QStringList({ "您确定要清空收藏列表吗？在当前版本该操作不可恢复！", "您取消了操作！" }));
    QCOMPARE(MessageBox::shown().first().buttons, MessageBox::YesNo);
    QVERIFY(QFile::exists(store()));
    QCOMPARE(main->List4->ListCount(), 1);
    main->List4->setListIndex(-1);
    MessageBox::clearShown();
    MessageBox::queueAnswer(MessageBox::AnswerYes);
    FavoriteList::DelScList_Click(*main);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(main->List4->ListCount(), 1);

    // Yes with a row selected: the store goes, with a journal a killed run left beside it, and a
    // fresh empty store takes its place.
    QFile journal(store() + QStringLiteral("-journal"));
    QVERIFY(journal.open(QIODevice::WriteOnly) && journal.write("stale") == 5);
    journal.close();
    main->List4->setListIndex(0);
    MessageBox::clearShown();
    MessageBox::queueAnswer(MessageBox::AnswerYes);
    FavoriteList::DelScListSY_Click(*main);
    QCOMPARE(texts(), QStringList({ "您确定要清空收藏列表吗？在当前版本该操作不可恢复！", "清空成功！" }));
    QCOMPARE(main->List4->ListCount(), 0);
    QVERIFY(!journal.exists());
    QVector<FavoriteRecord> none;
    QVERIFY(!FavoriteModule::LoadFavorites(none));
    bool found = true;
    QVERIFY(FavoriteModule::FavoriteExists(u"小猫快跑"_qs, found));
    QVERIFY(!found);

    // No file at all.
    addFromMenu(0);
    main->ScList_Click();
    main->List4->setListIndex(0);
    QFile::remove(store());
    MessageBox::clearShown();
    MessageBox::queueAnswer(MessageBox::AnswerYes);
    FavoriteList::DelScList_Click(*main);
    QCOMPARE(texts().last(), u"收藏列表文件不存在，无需删除！"_qs);
    QCOMPARE(main->List4->ListCount(), 0);
}

// The game list's "分享给好友": silent without a game, the right-clicked game's text otherwise.
void TestFavourites::shareFromTheMenu()
{
    QStringList copied;
    Clipboard::setRecorder([&copied](const QString& text) { copied << text; });
    MuenFrm* menus = forms().muenFrm();
    menus->setSelectedGame(Game(), QString());
    menus->FxGame->trigger();
    QVERIFY(copied.isEmpty());
    QVERIFY(MessageBox::shown().isEmpty());

    clickGame(1);
    menus->FxSbPlGame->trigger();
    Clipboard::setRecorder(nullptr);
    const Game game = TestCatalogue::game(2, u"it's 50% -- _x_;"_qs);
    QCOMPARE(copied, QStringList { Sharing::recommendation({ game.title, game.flashsay, game.flashurl }) });
    QCOMPARE(texts(), QStringList { Sharing::copiedMessage });
}

QTEST_MAIN(TestFavourites)
#include "tst_favourites.moc"
