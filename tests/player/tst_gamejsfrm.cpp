#include "core/catalogue/Game.h"
#include "core/outside/MessageBox.h"
#include "core/player/Sharing.h"
#include "gui/outside/Clipboard.h"
#include "gui/player/GameJsFrm.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/Skin.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

class TestGameJsFrm : public QObject {
    Q_OBJECT

    QStringList copied;

private slots:
    void initTestCase()
    {
        Skin::SkinH_Attach();
        Clipboard::setRecorder([this](const QString& text) { copied << text; });
    }
    void init()
    {
        copied.clear();
        MessageBox::clearShown();
    }

    // Before any game, the share link copies the placeholders, line break of the address box included.
    void placeholdersAreShared()
    {
        GameJsFrm window;
        window.Form_Load();
        QCOMPARE(window.windowTitle(), QStringLiteral("游戏介绍 "));
        QCOMPARE(window.size(), QSize(481, 280));
        // The key colour's corners are cut out of the window.
        QVERIFY(!window.mask().contains(QPoint(0, 0)) && window.mask().contains(QPoint(240, 140)));
        QTest::mouseClick(window.Label4[1], Qt::LeftButton);
        QCOMPARE(copied,
            QStringList {
                Sharing::recommendation({ GameJsFrm::NoGame, GameJsFrm::NoGame, GameJsFrm::NoGame + u'\n' }) });
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text, Sharing::copiedMessage);

        // Texts as shown, untrimmed; an empty title shares nothing.
        Game game;
        game.title = QStringLiteral(" 猫 ");
        game.flashsay = QStringLiteral("a-b ");
        game.flashurl = QStringLiteral("http://x/a.swf");
        window.showGame(game, QStringLiteral("动作"));
        QTest::mouseClick(window.Label4[1], Qt::LeftButton);
        QCOMPARE(copied.last(), Sharing::recommendation({ game.title, game.flashsay, game.flashurl }));
        window.showGame(Game(), QString());
        QTest::mouseClick(window.Label4[1], Qt::LeftButton);
        QCOMPARE(copied.size(), 2);
        // "提交错误" does nothing and does not look like it would.
        QTest::mouseClick(window.Label4[2], Qt::LeftButton);
        QCOMPARE(window.Label4[2]->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(MessageBox::shown().size(), 2);
    }

    void tabsAndCommands()
    {
        GameJsFrm window;
        window.Form_Load();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto visible = [&window] {
            return QList<bool> { window.Label1[0]->isVisible(), window.Label1[1]->isVisible(),
                window.Text4->isVisible(), window.GameJSButtoncommand->Value(), window.CCFFButton->Value(),
                window.FlashUrlButton->Value() };
        };
        const QList<bool> introduction { true, false, false, true, false, false };
        QCOMPARE(visible(), introduction);
        QTest::mouseClick(window.GameJSButtoncommand, Qt::LeftButton);
        QCOMPARE(visible(), introduction);
        QTest::mouseClick(window.CCFFButton, Qt::LeftButton);
        QCOMPARE(visible(), QList<bool>({ false, true, false, false, true, false }));
        QTest::mouseClick(window.FlashUrlButton, Qt::LeftButton);
        QTest::mouseClick(window.FlashUrlButton, Qt::LeftButton);
        QCOMPARE(visible(), QList<bool>({ false, false, true, false, false, true }));

        QSignalSpy start(&window, &GameJsFrm::startClicked);
        QSignalSpy add(&window, &GameJsFrm::addToFavoritesClicked);
        QTest::mouseClick(window.Label4[0], Qt::LeftButton);
        QCOMPARE(add.size(), 1);
        QTest::mouseClick(window.Label5, Qt::LeftButton);
        QCOMPARE(start.size(), 1);
        QVERIFY(window.isHidden());
        // The tab the user left stays.
        window.show();
        QCOMPARE(visible(), QList<bool>({ false, false, true, false, false, true }));
        QTest::mouseClick(window.OverFrmMeSL, Qt::LeftButton);
        QVERIFY(window.isHidden());
    }
};

QTEST_MAIN(TestGameJsFrm)
#include "tst_gamejsfrm.moc"
