#include "core/outside/Twips.h"
#include "gui/widgets/Skin.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

// Stands in for the image button: the skin only needs its four picture properties.
class PictureButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QPixmap Picture1 READ picture1 WRITE setPicture1)
    Q_PROPERTY(QPixmap Picture2 READ picture2 WRITE setPicture2)
    Q_PROPERTY(QPixmap Picture3 READ picture3 WRITE setPicture3)
    Q_PROPERTY(QPixmap Picture4 READ picture4 WRITE setPicture4)
public:
    using QWidget::QWidget;
    QPixmap picture1() const { return pictures[0]; }
    QPixmap picture2() const { return pictures[1]; }
    QPixmap picture3() const { return pictures[2]; }
    QPixmap picture4() const { return pictures[3]; }
    void setPicture1(const QPixmap& p) { pictures[0] = p; }
    void setPicture2(const QPixmap& p) { pictures[1] = p; }
    void setPicture3(const QPixmap& p) { pictures[2] = p; }
    void setPicture4(const QPixmap& p) { pictures[3] = p; }
    QPixmap pictures[4];
};

namespace {
const char* const kStates[] = { "normal", "hover", "pressed", "disabled" };

bool writesChinese(const QString& family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

// Pixels a viewer would take for the key colour without being it: they would show as a pink
// fringe, since only the exact colour is cut out.
int nearKeyPixels(const QImage& image)
{
    int count = 0;
    const QColor key = QColor::fromRgb(Skin::keyColour);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.rgb() == Skin::keyColour)
                continue;
            const int distance
                = qAbs(c.red() - key.red()) + qAbs(c.green() - key.green()) + qAbs(c.blue() - key.blue());
            if (distance < 90)
                ++count;
        }
    }
    return count;
}
} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void everyButtonHasFourPicturesAtItsDesignSize_data();
    void everyButtonHasFourPicturesAtItsDesignSize();
    void backgroundsHaveTheirWindowsSizes_data();
    void backgroundsHaveTheirWindowsSizes();
    void dressButtonsSetsCompleteSetsOnly();
    void picturesReadAsQtReadsThem();
    void keyColourShapesTheWindow();
    void maskCutsOnlyTheExactKeyColour();
    void skinHmeAppliesStyleSheetAndCjkFont();
};

void TestSkin::everyButtonHasFourPicturesAtItsDesignSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("widthTwips");
    QTest::addColumn<int>("heightTwips");
    // Design rectangles of the twenty image buttons (width and height in twips).
    const struct {
        const char* name;
        int width, height;
    } buttons[] = {
        { "FkButton", 315, 300 },
        { "XlMune", 330, 300 },
        { "ZuiXH", 345, 300 },
        { "Guanbi", 555, 300 },
        { "SerImg", 420, 405 },
        { "GameFrmButton", 1095, 405 },
        { "YxList", 1320, 435 },
        { "ScList", 1320, 435 },
        { "SbpLAY", 1320, 435 },
        { "Sz", 255, 255 },
        { "FlashSC", 1215, 345 },
        { "FlashCXWW", 1200, 345 },
        { "FlashFXYX", 1200, 345 },
        { "QpGame", 960, 345 },
        { "GamePlayFF", 1065, 330 },
        { "GameJs", 1065, 330 },
        { "GameJSButtoncommand", 1125, 345 },
        { "CCFFButton", 1125, 345 },
        { "FlashUrlButton", 1125, 345 },
        { "OverFrmMeSL", 570, 300 },
    };
    for (const auto& b : buttons)
        QTest::newRow(b.name) << QString::fromLatin1(b.name) << b.width << b.height;
}

void TestSkin::everyButtonHasFourPicturesAtItsDesignSize()
{
    QFETCH(QString, name);
    QFETCH(int, widthTwips);
    QFETCH(int, heightTwips);
    const QSize design(Twips::toPixels(widthTwips), Twips::toPixels(heightTwips));

    QList<QImage> looks;
    for (const char* state : kStates) {
        const QPixmap picture = Skin::picture(name + QLatin1Char('_') + QLatin1String(state));
        QVERIFY2(!picture.isNull(), qPrintable(name + QLatin1Char('_') + QLatin1String(state)));
        QCOMPARE(picture.size(), design);
        looks << picture.toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The states must be told apart at a glance, so no two pictures of a button are the same.
    for (int i = 0; i < looks.size(); ++i) {
        for (int j = i + 1; j < looks.size(); ++j)
            QVERIFY2(
                looks[i] != looks[j], qPrintable(name + QStringLiteral(": %1 equals %2").arg(kStates[i], kStates[j])));
    }
}

void TestSkin::backgroundsHaveTheirWindowsSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("keyed");
    QTest::newRow("main window") << QStringLiteral("FormMain") << QSize(327, 575) << true;
    QTest::newRow("information window") << QStringLiteral("GameJsFrm") << QSize(481, 280) << true;
    QTest::newRow("player window") << QStringLiteral("FlashFrm") << QSize(557, 539) << false;
    QTest::newRow("offline cover of the lists")
        << QStringLiteral("DJ") << QSize(Twips::toPixels(4830), Twips::toPixels(6660)) << false;
    QTest::newRow("offline cover of the player")
        << QStringLiteral("WLWImg") << QSize(Twips::toPixels(8340), Twips::toPixels(7650)) << false;
    QTest::newRow("player header") << QStringLiteral("FlashFrm_header") << QSize(554, 27) << false;
    QTest::newRow("player footer") << QStringLiteral("FlashFrm_footer") << QSize(555, 29) << false;
    QTest::newRow("welcome picture") << QStringLiteral("FlashFrm_welcome") << QSize(550, 423) << false;
}

void TestSkin::backgroundsHaveTheirWindowsSizes()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, keyed);
    const QPixmap picture = Skin::picture(name);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), size);
    const QImage image = picture.toImage();
    QCOMPARE(image.pixel(0, 0) == Skin::keyColour, keyed);
    QCOMPARE(nearKeyPixels(image), 0);
}

void TestSkin::dressButtonsSetsCompleteSetsOnly()
{
    QWidget window;
    auto* close = new PictureButton(&window);
    close->setObjectName(QStringLiteral("Guanbi"));
    auto* unknown = new PictureButton(&window);
    unknown->setObjectName(QStringLiteral("NoSuchButton"));
    auto* label = new QLabel(&window);
    label->setObjectName(QStringLiteral("Sz")); // has pictures, but is no button

    QCOMPARE(Skin::dressButtons(&window), 1);
    for (int i = 0; i < 4; ++i) {
        const QPixmap expected = Skin::picture(QStringLiteral("Guanbi_") + QLatin1String(kStates[i]));
        QCOMPARE(close->pictures[i].toImage(), expected.toImage());
    }
    QVERIFY(unknown->pictures[0].isNull());
    QVERIFY(label->pixmap().isNull());
    QCOMPARE(Skin::dressButtons(nullptr), 0);
}

void TestSkin::picturesReadAsQtReadsThem()
{
    // The skin decodes its pictures itself; a picture saved with a gamma or in 16 bits must still
    // come out as Qt's reader gives it, or key-coloured pixels would no longer be cut.
    const QStringList files = QDir(QStringLiteral(":/skin")).entryList({ QStringLiteral("*.png") });
    QVERIFY(files.size() > 50);
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        const QImage qt = QPixmap::fromImage(QImage(QStringLiteral(":/skin/") + file))
                              .toImage()
                              .convertToFormat(QImage::Format_ARGB32);
        const QImage skin = Skin::picture(name).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!skin.isNull(), qPrintable(name));
        QVERIFY2(skin == qt, qPrintable(name));
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no skin picture.*NoSuchPicture")));
    QVERIFY(Skin::picture(QStringLiteral("NoSuchPicture")).isNull());
}

void TestSkin::keyColourShapesTheWindow()
{
    for (const QString& name : { QStringLiteral("FormMain"), QStringLiteral("GameJsFrm") }) {
        const QPixmap background = Skin::picture(name);
        QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
        window.setFixedSize(background.size());
        Skin::applyColourKeyMask(&window, background);
        const QRegion shape = window.mask();
        const int w = background.width(), h = background.height();
        for (const QPoint corner : { QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1) })
            QVERIFY2(!shape.contains(corner), qPrintable(name));
        QVERIFY2(shape.contains(QPoint(w / 2, h / 2)), qPrintable(name));
        // Mid-points of the edges belong to the window's outline, not to the key.
        for (const QPoint edge : { QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, h - 1) })
            QVERIFY2(shape.contains(edge), qPrintable(name));
    }
}

void TestSkin::maskCutsOnlyTheExactKeyColour()
{
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, Skin::keyColour);
    image.setPixel(1, 0, qRgb(246, 0, 254)); // one step from the key
    image.setPixel(2, 0, qRgba(246, 0, 255, 128)); // the key's colour, half transparent
    image.setPixel(3, 0, qRgb(20, 40, 90));
    const QRegion shape = Skin::colourKeyRegion(QPixmap::fromImage(image));
    QVERIFY(!shape.contains(QPoint(0, 0)));
    QVERIFY(shape.contains(QPoint(1, 0)));
    QVERIFY(shape.contains(QPoint(2, 0)));
    QVERIFY(shape.contains(QPoint(3, 0)));

    // A picture at twice the pixel density still shapes the window in its own coordinates.
    QImage dense(8, 2, QImage::Format_RGB32);
    dense.fill(qRgb(20, 40, 90));
    dense.setPixel(0, 0, Skin::keyColour);
    dense.setPixel(1, 0, Skin::keyColour);
    dense.setPixel(0, 1, Skin::keyColour);
    dense.setPixel(1, 1, Skin::keyColour);
    QPixmap densePixmap = QPixmap::fromImage(dense);
    densePixmap.setDevicePixelRatio(2);
    const QRegion denseShape = Skin::colourKeyRegion(densePixmap);
    QCOMPARE(denseShape.boundingRect(), QRect(1, 0, 3, 1));
    QVERIFY(!denseShape.contains(QPoint(0, 0)));
    QVERIFY(denseShape.contains(QPoint(1, 0)));
}

void TestSkin::skinHmeAppliesStyleSheetAndCjkFont()
{
    // One bad rule makes Qt drop the whole style sheet with nothing but this warning.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Could not parse")));
    Skin::SkinHme();

    QVERIFY(qApp->styleSheet().contains(QStringLiteral("QScrollBar")));
    // The tray takes the application's icon; it needs a sharp small size.
    QVERIFY(QApplication::windowIcon().availableSizes().contains(QSize(16, 16)));
    const QFont font = QApplication::font();
    QCOMPARE(font.pointSize(), 9);
    QVERIFY2(QFontDatabase::families().contains(font.family()), qPrintable(font.family()));
    QVERIFY2(writesChinese(font.family()), qPrintable(font.family()));

    // What a widget really draws with, after the style sheet's font rule has been applied.
    QLabel label(QStringLiteral("游戏列表"));
    label.ensurePolished();
    QVERIFY2(writesChinese(QFontInfo(label.font()).family()), qPrintable(QFontInfo(label.font()).family()));
    QCOMPARE(QFontInfo(label.font()).pointSize(), 9);

    // Code and layouts that ask for the design's font get the skin's CJK font.
    const QString forSongti = QFontInfo(QFont(QStringLiteral("宋体"))).family();
    QVERIFY2(writesChinese(forSongti), qPrintable(forSongti));

    // Every picture the style sheet names must be in the skin, or Qt silently draws nothing.
    const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    int urls = 0;
    for (auto it = url.globalMatch(qApp->styleSheet()); it.hasNext(); ++urls) {
        const QString path = it.next().captured(1).trimmed();
        QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
    }
    QVERIFY(urls > 0);
}

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
