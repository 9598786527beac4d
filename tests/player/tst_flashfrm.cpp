#include "core/catalogue/Game.h"
#include "core/outside/MessageBox.h"
#include "core/outside/Twips.h"
#include "core/player/Sharing.h"
#include "gui/outside/Clipboard.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/FlashPlayer.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/settings/UpdateSL.h"
#include "gui/shell/Forms.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/Skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

namespace {
int tw(int pixels)
{
    return Twips::fromPixels(pixels);
}

// Twips compared with one pixel of rounding allowed.
#define QNEAR(actual, expected)                                                                                        \
    QVERIFY2(qAbs((actual) - (expected)) <= Twips::perPixel,                                                           \
        qPrintable(QStringLiteral("%1 is %2, expected %3").arg(#actual).arg(actual).arg(expected)))

QPoint inWindow(QWidget* control)
{
    return control->mapTo(control->window(), control->rect().center());
}
} // namespace

class TestFlashFrm : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    FlashFrm* player = nullptr;
    QStringList opened;
    QSize normalSize;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(home.path()));
        qputenv("TABRAZO_SERVER", "http://127.0.0.1:8790");
        Skin::SkinH_Attach();
        Skin::SkinHme();
        UrlOpener::setRecorder([this](const QString& address) { opened.append(address); });
        player = forms().flashFrm();
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player));
        normalSize = player->size();
    }

    void init()
    {
        player->setWindowState(Qt::WindowNoState);
        player->resize(normalSize);
        QTRY_COMPARE(player->size(), normalSize);
        MessageBox::clearShown();
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::newRow("design") << Twips::rect(0, 0, 8355, 8085).size();
        QTest::newRow("wide") << QSize(1000, 620);
        QTest::newRow("odd") << QSize(613, 457);
        QTest::newRow("small") << QSize(300, 250);
    }

    void layout()
    {
        QFETCH(QSize, client);
        player->resize(client);
        QTRY_COMPARE(player->size(), client);
        const int cw = tw(client.width()), ch = tw(client.height());
        const QRect strip = player->GameXX->geometry();
        if (client == Twips::rect(0, 0, 8355, 8085).size())
            QCOMPARE(strip, Twips::rect(75, 6540, 8205, 1110));

        // The footer lies on the bottom edge, the strip right above it, 75 twips in from both sides.
        QNEAR(tw(player->FootImg->geometry().bottom() + 1), ch);
        QCOMPARE(strip.bottom() + 1, player->FootImg->y());
        QNEAR(tw(strip.x()), 75);
        QNEAR(tw(strip.right() + 1), cw - 75);
        QCOMPARE(player->Line3->geometry().right(), strip.width() - 1);

        // The player spans the strip, from 420 down to 40 twips above it.
        QCOMPARE(player->Flash1->Left(), tw(strip.x()));
        QCOMPARE(player->Flash1->Width(), tw(strip.width()));
        QNEAR(tw(player->Flash1->y()), 420);
        QNEAR(tw(strip.y()) - tw(player->Flash1->geometry().bottom() + 1), 40);

        QNEAR(tw(player->QpGame->geometry().right() + 1), cw - 60);
        QNEAR(tw(player->交流论坛->geometry().right() + 1), cw - 60);
        QNEAR(tw(player->YJFK->y()), tw(player->FootImg->y()) + 150);
    }

    void fullScreenTwice()
    {
        // Before the first game has loaded the button takes no press.
        QTest::mouseClick(player->QpGame, Qt::LeftButton);
        QVERIFY(!player->QpGame->isEnabled() && !(player->windowState() & Qt::WindowMaximized));

        player->QpGame->setButtonEnabled(true);
        QTest::mouseClick(player->QpGame, Qt::LeftButton);
        QVERIFY(player->windowState() & Qt::WindowMaximized);
        QVERIFY(player->QpGame->Value());
        QTRY_VERIFY(player->width() > normalSize.width());
        QCOMPARE(player->Flash1->Width(), tw(player->GameXX->width()));

        QTest::mouseClick(player->QpGame, Qt::LeftButton);
        QCOMPARE(player->windowState(), Qt::WindowStates());
        QTRY_COMPARE(player->size(), normalSize);
        QVERIFY(!player->QpGame->Value());
    }

    // The button follows the window state however it changes; a minimised window comes back maximised.
    void windowStateRule()
    {
        player->setWindowState(Qt::WindowMaximized);
        QTRY_VERIFY(player->QpGame->Value());
        player->setWindowState(Qt::WindowMinimized);
        QTRY_COMPARE(player->windowState(), Qt::WindowMinimized | Qt::WindowMaximized);
        QVERIFY(player->QpGame->Value());
        player->setWindowState(player->windowState() & ~Qt::WindowMinimized);
        QTRY_VERIFY(player->width() > normalSize.width());
        player->QpGame_Click();
        QTRY_COMPARE(player->size(), normalSize);
        QVERIFY(!player->QpGame->Value());
    }

    // Without a game: the message and nothing else. With one: the remote file, not the cache file.
    void restart()
    {
        const QString cached = home.filePath(QStringLiteral("gamepath/打砖块.swf"));
        player->GbName.clear();
        player->GbFlashUrl = QStringLiteral("http://127.0.0.1:9/flash/1.swf");
        player->Flash1->setMovie(cached);
        player->Flash1->setPlaying(false);
        QTest::mouseClick(player->FlashCXWW, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text, QStringLiteral("您还未开始游戏！请先开始一个游戏！"));
        QCOMPARE(MessageBox::shown().at(0).buttons, MessageBox::Ok);
        QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::NoIcon);
        QCOMPARE(player->Flash1->Movie(), cached);
        QVERIFY(!player->Flash1->Playing());

        player->GbName = QStringLiteral("打砖块");
        QTest::mouseClick(player->FlashCXWW, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(player->Flash1->Movie(), player->GbFlashUrl);
        QVERIFY(player->Flash1->Playing());
    }

    // Moves reach the labels through the window, as real pointer moves do.
    void sharePanel()
    {
        player->setCurrentGame(Game(), QString());
        opened.clear();
        for (bool shown : { true, false, true }) {
            QTest::mouseClick(player->FlashFXYX, Qt::LeftButton);
            QCOMPARE(player->FxFm->isVisible(), shown);
            QCOMPARE(player->FlashFXYX->Value(), shown);
        }
        const QColor hover(255, 101, 1);
        QWindow* window = player->windowHandle();
        QTest::mouseMove(window, inWindow(player->Fx[2]));
        QCOMPARE(player->Fx[2]->ForeColor(), hover);
        // Smoothed glyphs seldom hit the colour exactly, but black text on white has no orange at all.
        const QImage drawn = player->Fx[2]->grab().toImage().convertToFormat(QImage::Format_RGB32);
        bool orange = false;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                orange |= qRed(drawn.pixel(x, y)) - qBlue(drawn.pixel(x, y)) > 120;
        QVERIFY2(orange, "the skin paints over the hover colour");

        QTest::mouseMove(window, inWindow(player->Fx[5]));
        QTest::mouseMove(window, player->FxFm->mapTo(player, QPoint(4, player->FxFm->height() - 4)));
        for (LinkLabel* fx : std::as_const(player->Fx))
            QCOMPARE(fx->ForeColor(), QColor(Qt::black));

        QTest::mouseMove(window, inWindow(player->Fx[1]));
        QTest::mousePress(window, Qt::LeftButton, {}, inWindow(player->Fx[1]));
        QCOMPARE(player->Fx[1]->ForeColor(), QColor(Qt::black));
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(player->Fx[1]));
        // No game yet: said so, and nothing opened.
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text, Sharing::noGameMessage);
        QVERIFY(opened.isEmpty());

        // The game as the player holds it, blank-filled: every target but Weibo gets it trimmed.
        QStringList copied;
        Clipboard::setRecorder([&copied](const QString& text) { copied << text; });
        Game game;
        game.title = u"  猫&鼠 "_qs;
        game.flashsay = u"说明  "_qs;
        game.flashurl = u"   "_qs;
        player->setCurrentGame(game, QString());
        QTest::mouseClick(player->Fx[0], Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 2);
        QVERIFY(copied.isEmpty());
        game.flashurl = u" http://x/a.swf  "_qs;
        player->setCurrentGame(game, QString());
        for (int index : { 0, 2, 5, 6 })
            QTest::mouseClick(player->Fx[index], Qt::LeftButton);
        Clipboard::setRecorder(nullptr);
        QCOMPARE(copied, QStringList { Sharing::recommendation({ u"猫&鼠"_qs, u"说明"_qs, u"http://x/a.swf"_qs }) });
        QCOMPARE(MessageBox::shown().last().text, Sharing::copiedMessage);
        QCOMPARE(opened,
            QStringList({ Sharing::shareAddress(Sharing::Kaixin, u"猫&鼠"_qs, u"http://x/a.swf"_qs),
                Sharing::shareAddress(Sharing::Weibo, u"猫&鼠"_qs, u" http://x/a.swf  "_qs),
                Sharing::shareAddress(Sharing::Douban, u"猫&鼠"_qs, u"http://x/a.swf"_qs) }));
        opened.clear();
        player->setCurrentGame(Game(), QString());
        QTest::mouseClick(player->FlashFXYX, Qt::LeftButton);
    }

    // A press on the tab already down changes nothing.
    void tabs()
    {
        for (ButtonEx* tab : { player->GamePlayFF, player->GameJs, player->GameJs, player->GamePlayFF }) {
            QTest::mouseClick(tab, Qt::LeftButton);
            const bool js = tab == player->GameJs;
            QVERIFY(player->GameJs->Value() == js && player->GamePlayFF->Value() == !js);
            QVERIFY(player->GamejsLab->isVisible() == js && player->CzFFLab->isVisible() == !js);
        }
    }

    void forumLinks()
    {
        opened.clear();
        QTest::mouseClick(player->YJFK, Qt::LeftButton);
        QTest::mouseClick(player->交流论坛, Qt::LeftButton);
        QCOMPARE(opened,
            QStringList({ "http://127.0.0.1:8790/forum.php?mod=post&action=newthread&fid=36&referer="
                          "http://127.0.0.1:8790/forum.php%3Fmod%3Dforumdisplay%26fid%3D36",
                "http://127.0.0.1:8790/" }));
    }

    // The box and the settings window's 开启启动 agree, and every click is saved at once.
    void openAtStart()
    {
        TabrazoSz* settings = forms().tabrazoSz();
        for (int click = 0; click < 2; ++click) {
            const bool before = player->Check1->isChecked();
            QTest::mouseClick(player->Check1, Qt::LeftButton);
            QCOMPARE(player->Check1->isChecked(), !before);
            QCOMPARE(settings->开启启动->isChecked(), !before);
            QCOMPARE(
                UpdateSL::ReadKey(TabrazoSz::optionsSection(), QStringLiteral("开启启动"), TabrazoSz::optionsFile()),
                QString::number(!before));
        }
        // And the other way: saving the settings window's option moves the box.
        const bool before = player->Check1->isChecked();
        settings->setOpenPlayerAtStart(!before);
        QCOMPARE(player->Check1->isChecked(), !before);
    }

    // A game whose file cannot be played leaves no loading panel behind, and a late report about
    // a movie already replaced does not take down the panel of the next download.
    void brokenGame()
    {
        player->showLoadingPanel(QStringLiteral("坏"));
        player->showDownloadProgress(50.0);
        QCOMPARE(player->windowTitle(), QStringLiteral("您当前正在玩的游戏是：《坏》"));
        QVERIFY(!player->Picture1->isHidden() && !player->ProgressBar1->isHidden());
        QCOMPARE(player->ProgressBar1->value(), 50);
        QVERIFY(!player->QpGame->isEnabled());

        player->playGame(home.path() + QStringLiteral("/GamePath/missing.swf"));
        for (QWidget* control : { static_cast<QWidget*>(player->Picture1), static_cast<QWidget*>(player->ProgressBar1),
                 static_cast<QWidget*>(player->Label2), static_cast<QWidget*>(player->Label3) })
            QVERIFY2(control->isHidden(), qPrintable(control->objectName()));
        QCOMPARE(player->ProgressBar1->value(), 0);

        player->showLoadingPanel(QStringLiteral("好"));
        player->showDownloadProgress(std::nullopt);
        emit player->Flash1->movieFailed(home.path() + QStringLiteral("/GamePath/missing.swf"));
        QVERIFY(!player->Picture1->isHidden() && !player->ProgressBar1->isHidden());
        // A cached copy the player cannot play goes, so the next start fetches it again; a movie
        // outside the cache is never touched.
        QDir().mkpath(home.path() + QStringLiteral("/GamePath"));
        const QString broken = home.path() + QStringLiteral("/GamePath/坏.swf");
        const QString outside = home.path() + QStringLiteral("/坏.swf");
        for (const QString& path : { broken, outside }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("FWS garbage") == 11);
        }
        for (const QString& path : { broken, outside }) {
            player->Flash1->setMovie(path);
            emit player->Flash1->movieFailed(path);
        }
        QVERIFY(!QFile::exists(broken));
        QVERIFY(QFile::exists(outside));
        player->Flash1->setMovie(QString());
    }
};

int main(int argc, char** argv)
{
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    TestFlashFrm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_flashfrm.moc"
