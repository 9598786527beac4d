#include "gui/settings/UpdateSL.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

} // namespace

class TestUpdateSL : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file() const { return dir.filePath(u"Config.dll"_s); }

private slots:
    void init() { QFile::remove(file()); }

    void readKey()
    {
        QVERIFY(put(file(), "[Main]\r\nVersion=3.\0\x30.1\r\nUrl="_ba + QByteArray(300, 'u') + "\r\n"));
        QCOMPARE(UpdateSL::ReadKey(u"main"_s, u"version"_s, file()), u"3.0.1"_s);
        QCOMPARE(UpdateSL::ReadKey(u"Main"_s, u"Url"_s, file()), QString(254, u'u'));
        QCOMPARE(UpdateSL::ReadKey(u"Main"_s, u"QzUpdate"_s, file()), QString());
        QCOMPARE(UpdateSL::ReadKey(u"Main"_s, u"Version"_s, file() + u".absent"_s), QString());
    }

    void loadCheckBox_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("checked");
        const QByteArray head = "[\xD3\xC3\xBB\xA7\xC9\xE8\xD6\xC3]\r\n\xD7\xD4\xB6\xAF\xC8\xAB\xC6\xC1\xBB\xAF=";
        QTest::newRow("0") << QByteArray(head + "0\r\n") << false;
        QTest::newRow("0 with blanks") << QByteArray(head + " 0 \r\n") << false;
        QTest::newRow("1") << QByteArray(head + "1\r\n") << true;
        QTest::newRow("2") << QByteArray(head + "2\r\n") << true;
        QTest::newRow("word") << QByteArray(head + "off\r\n") << true;
        QTest::newRow("00") << QByteArray(head + "00\r\n") << true;
        QTest::newRow("empty") << QByteArray(head + "\r\n") << true;
        QTest::newRow("absent key") << "[\xD3\xC3\xBB\xA7\xC9\xE8\xD6\xC3]\r\n"_ba << true;
        QTest::newRow("absent file") << QByteArray() << true;
    }

    void loadCheckBox()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, checked);
        if (!content.isNull())
            QVERIFY(put(file(), content));
        QCheckBox box;
        box.setObjectName(u"自动全屏化"_s);
        box.setChecked(!checked);
        UpdateSL::LoadCheckBox(u"用户设置"_s, file(), &box);
        QCOMPARE(box.isChecked(), checked);
    }

    void saveCheckBox()
    {
        const QByteArray notices = "[ad1]\r\nADNAME=\xCE\xDE\r\nadurl=http://127.0.0.1/\r\n[AD2]\r\nADNAME=b\r\n"_ba;
        QVERIFY(put(file(), notices));
        QCheckBox on;
        on.setObjectName(u"开启启动"_s);
        on.setChecked(true);
        QCheckBox off;
        off.setObjectName(u"禁音"_s);
        UpdateSL::SaveCheckBox(u"用户设置"_s, file(), &on);
        UpdateSL::SaveCheckBox(u"用户设置"_s, file(), &off);
        const QByteArray saved = get(file());
        QVERIFY(saved.startsWith(notices));
        QCOMPARE(UpdateSL::ReadKey(u"用户设置"_s, u"开启启动"_s, file()), u"1"_s);
        QCOMPARE(UpdateSL::ReadKey(u"用户设置"_s, u"禁音"_s, file()), u"0"_s);

        off.setChecked(true);
        on.setChecked(false);
        UpdateSL::LoadCheckBox(u"用户设置"_s, file(), &on);
        UpdateSL::LoadCheckBox(u"用户设置"_s, file(), &off);
        QVERIFY(on.isChecked());
        QVERIFY(!off.isChecked());

        // Saving again rewrites values in place.
        UpdateSL::SaveCheckBox(u"用户设置"_s, file(), &on);
        UpdateSL::SaveCheckBox(u"用户设置"_s, file(), &off);
        QCOMPARE(get(file()), saved);
    }
};

QTEST_MAIN(TestUpdateSL)
#include "tst_updatesl.moc"
