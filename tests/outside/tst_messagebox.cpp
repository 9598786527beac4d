#include "core/outside/MessageBox.h"
#include "gui/outside/WidgetMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

// The real box of the program, as the presenter draws it.
class TestMessageBox : public QObject {
    Q_OBJECT

    // Runs check on the box once it is up, then presses the button whose text starts with press.
    static MessageBox::Answer showAndPress(const QString& text, MessageBox::Buttons buttons, const QString& press,
        const std::function<void(QMessageBox*)>& check)
    {
        QTimer::singleShot(0, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(QTest::qWaitForWindowExposed(box));
            check(box);
            for (QAbstractButton* button : box->buttons()) {
                if (button->text().startsWith(press))
                    button->click();
            }
            box->close();
        });
        return MessageBox::show(text, buttons);
    }

private slots:
    void initTestCase() { WidgetMessageBox::install(); }

    // Qt's own button texts in Chinese, answers as pressed.
    void chineseStandardButtons()
    {
        QStringList texts;
        const auto collect = [&texts](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                texts.append(button->text().remove(u'&'));
        };
        QCOMPARE(showAndPress(QStringLiteral("继续吗？"), MessageBox::YesNo, QStringLiteral("否"), collect),
            MessageBox::AnswerNo);
        QCOMPARE(showAndPress(QStringLiteral("好的"), MessageBox::Ok, QStringLiteral("确定"), collect),
            MessageBox::AnswerOk);
        texts.sort();
        QCOMPARE(texts, (QStringList { QStringLiteral("否(N)"), QStringLiteral("是(Y)"), QStringLiteral("确定") }));
    }

    // A dialog frame over the window whose command raised it, its lines ending at clauses.
    void dialogOverTheRaisingWindow()
    {
        QWidget main;
        main.setGeometry(0, 0, 300, 200);
        main.show();
        QWidget player;
        player.setGeometry(350, 50, 420, 450);
        player.show();
        player.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&player));

        const QString question
            = QStringLiteral("您当前网络可能异常，如果继续运行本程序可能会有部分功能无法正常使用，是否继续？");
        showAndPress(question, MessageBox::YesNo, QStringLiteral("是"), [&](QMessageBox* box) {
            QCOMPARE(box->parentWidget(), &player);
            QVERIFY(!(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
            QVERIFY(box->windowFlags() & Qt::WindowCloseButtonHint);
            QVERIFY((box->frameGeometry().center() - player.frameGeometry().center()).manhattanLength() < 40);
            const QStringList lines = box->text().split(u'\n');
            QVERIFY2(lines.size() > 1, qPrintable(box->text()));
            QCOMPARE(lines.join(QString()), question);
            for (const QString& line : lines)
                QVERIFY2(line.endsWith(u'，') || line.endsWith(u'？'), qPrintable(line));
        });
    }

    void breaksAtClausesAndWords()
    {
        const QFontMetrics metrics(QApplication::font());
        const int em = metrics.horizontalAdvance(u'中');
        // A clause longer than the line stays whole: Qt wraps it, nothing here splits a word.
        QCOMPARE(WidgetMessageBox::breakAtClauses(QStringLiteral("一二三四五六七八九十，好"), metrics, 3 * em),
            QStringLiteral("一二三四五六七八九十，\n好"));
        // Closing marks stay with their clause; given line breaks stay.
        QCOMPARE(WidgetMessageBox::breakAtClauses(QStringLiteral("《甲乙》，“丙丁。”戊己\n庚"), metrics, 5 * em),
            QStringLiteral("《甲乙》，\n“丙丁。”\n戊己\n庚"));
        const QString latin = QStringLiteral("Cannot open the file now");
        const QString broken = WidgetMessageBox::breakAtClauses(latin, metrics, metrics.horizontalAdvance(latin) / 2);
        QCOMPARE(QString(broken).replace(u'\n', u' '), latin);
        QVERIFY(broken.contains(u'\n'));
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
